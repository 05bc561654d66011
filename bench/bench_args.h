// The command line of a benchmark, read before it makes or writes anything:
// `--help` prints the usage and ends the program (status 0); an option it does
// not know, a missing or malformed value or one argument too many ends it with
// status 2 and a word on stderr.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

struct Option {
    const char* name;   // "--images"
    const char* value;  // "N" for an option that takes a value, nullptr for a flag
    const char* help;
};

class Args {
  public:
    // `usage`: the first lines of --help (what the benchmark measures and its
    // synopsis); the options are listed after it. At most `maxPositional`
    // arguments that are not options are taken.
    Args(int argc, char** argv, const char* usage, std::initializer_list<Option> options, std::size_t maxPositional = 0)
        : program_(argc > 0 ? argv[0] : "bench"), usage_(usage), options_(options) {
        for (int i = 1; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (arg == "--help" || arg == "-h") {
                PrintUsage(stdout);
                std::exit(0);
            }
            if (arg.size() > 1 && arg.front() == '-') {
                const Option* option = Find(arg);
                if (!option) Refuse("unknown option " + std::string(arg));
                if (option->value) {
                    if (i + 1 >= argc) Refuse(std::string(arg) + " needs " + option->value);
                    given_.push_back({option->name, argv[++i]});
                } else {
                    given_.push_back({option->name, ""});
                }
                continue;
            }
            if (positional_.size() >= maxPositional) Refuse("unexpected argument " + std::string(arg));
            positional_.emplace_back(arg);
        }
    }

    bool Has(std::string_view name) const { return Value(name) != nullptr; }

    // The value of the last occurrence of `name`, or nullptr.
    const char* Value(std::string_view name) const {
        const char* value = nullptr;
        for (const auto& g : given_) {
            if (g.first == name) value = g.second.c_str();
        }
        return value;
    }

    const std::vector<std::string>& Positional() const { return positional_; }

    // `text` as a whole number from `min` to `max`; anything else is refused.
    long Number(const char* what, const std::string& text, long min, long max) const {
        errno = 0;
        char* end = nullptr;
        const long n = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno != 0 || n < min || n > max)
            Refuse(std::string(what) + " must be a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max) + ", not \"" + text + "\"");
        return n;
    }

    // The value of option `name` as a number, or `fallback` when not given.
    long OptionNumber(const char* name, long fallback, long min, long max) const {
        const char* value = Value(name);
        return value ? Number(name, std::string(value), min, max) : fallback;
    }

    [[noreturn]] void Refuse(const std::string& why) const {
        std::fprintf(stderr, "%s: %s\n", program_.c_str(), why.c_str());
        PrintUsage(stderr);
        std::exit(2);
    }

  private:
    const Option* Find(std::string_view name) const {
        for (const Option& o : options_) {
            if (name == o.name) return &o;
        }
        return nullptr;
    }

    void PrintUsage(std::FILE* to) const {
        std::fprintf(to, "%s", usage_);
        std::fprintf(to, "\noptions:\n");
        for (const Option& o : options_) {
            const std::string left = std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
            std::fprintf(to, "  %-16s %s\n", left.c_str(), o.help);
        }
        std::fprintf(to, "  %-16s %s\n", "--help", "print this text and exit");
    }

    std::string program_;
    const char* usage_;
    std::vector<Option> options_;
    std::vector<std::pair<std::string, std::string>> given_;
    std::vector<std::string> positional_;
};

}  // namespace bench
