// Ctrl+C stops the headless finder: not only the scan it interrupts, but the run.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class FinderInterruptTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorel-find-int-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_F(FinderInterruptTest, InterruptEndsTheWholeRunWithItsOwnStatus) {
    // Large sparse files: scanning them all takes many seconds, the interrupt comes at once.
    const char* names[] = {"first.bin", "second.bin", "third.bin"};
    for (const char* name : names) {
        std::ofstream(dir_ / name).close();
        fs::resize_file(dir_ / name, std::uintmax_t{4} << 30);
    }
    const fs::path err = dir_ / "stderr.txt";

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(errFd, STDERR_FILENO);
        ::close(out[0]);
        ::execl(VOREL_FIND_EXE, VOREL_FIND_EXE, "--type", "both", (dir_ / names[0]).c_str(),
                (dir_ / names[1]).c_str(), (dir_ / names[2]).c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    // The header line comes after the interrupt handler is in place.
    std::string header;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') header += c;
    EXPECT_NE(header.find("TITLE"), std::string::npos);
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(out[0]);

    std::ifstream in(err);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_TRUE(WIFEXITED(status)) << text.str();
    EXPECT_EQ(WEXITSTATUS(status), 130) << text.str();
    EXPECT_NE(text.str().find("interrupted"), std::string::npos) << text.str();
    EXPECT_EQ(text.str().find(names[2]), std::string::npos) << text.str();
}

}  // namespace
