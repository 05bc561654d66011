#include "search/scan_window.h"

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vorel {
namespace {

#if defined(__x86_64__) || defined(__i386__)
// Sixty-three positions at a time where the processor has AVX-512BW: two loads
// (at i and i + 2) give the lead byte and the three zeros after it as bit masks.
__attribute__((target("avx512f,avx512bw"))) std::size_t FindWidest(const std::uint8_t* data, std::size_t i,
                                                                   std::size_t to, std::size_t len,
                                                                   std::uint8_t first, std::uint8_t second) {
    const __m512i a = _mm512_set1_epi8(static_cast<char>(first));
    const __m512i b = _mm512_set1_epi8(static_cast<char>(second));
    const __m512i zero = _mm512_setzero_si512();
    // Positions i ... i + 62 are judged from the bytes up to i + 65.
    const std::size_t end = len >= 66 ? std::min(to, len - 66 + 1) : i;
    for (; i < end; i += 63) {
        const __m512i x = _mm512_loadu_si512(data + i);
        const __m512i y = _mm512_loadu_si512(data + i + 2);
        const std::uint64_t lead = _mm512_cmpeq_epi8_mask(x, a) | _mm512_cmpeq_epi8_mask(x, b);
        const std::uint64_t zx = _mm512_cmpeq_epi8_mask(x, zero);  // bit k: byte i + k is 0
        const std::uint64_t zy = _mm512_cmpeq_epi8_mask(y, zero);  // bit k: byte i + 2 + k is 0
        const std::uint64_t hits = lead & (zx >> 1) & zy & (zy >> 1) & ((std::uint64_t{1} << 63) - 1);
        if (hits != 0) return std::min(i + static_cast<std::size_t>(__builtin_ctzll(hits)), to);
    }
    return i;
}

// Thirty-two positions at a time where the processor has AVX2; the loads reach
// 3 bytes past the block, so stop while they stay inside `len`.
__attribute__((target("avx2"))) std::size_t FindWide(const std::uint8_t* data, std::size_t i, std::size_t to,
                                                     std::size_t len, std::uint8_t first, std::uint8_t second) {
    const __m256i a = _mm256_set1_epi8(static_cast<char>(first));
    const __m256i b = _mm256_set1_epi8(static_cast<char>(second));
    const __m256i zero = _mm256_setzero_si256();
    const std::size_t end = len >= 35 ? std::min(to, len - 35 + 1) : i;
    for (; i < end; i += 32) {
        const auto* p = data + i;
        const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const __m256i x2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2));
        const __m256i x3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 3));
        const __m256i lead = _mm256_or_si256(_mm256_cmpeq_epi8(x0, a), _mm256_cmpeq_epi8(x0, b));
        const __m256i zeros = _mm256_and_si256(_mm256_cmpeq_epi8(x1, zero),
                                               _mm256_and_si256(_mm256_cmpeq_epi8(x2, zero), _mm256_cmpeq_epi8(x3, zero)));
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(lead, zeros)));
        if (mask != 0) return std::min(i + static_cast<std::size_t>(__builtin_ctz(mask)), to);
    }
    return i;
}

// Sixteen at a time with SSE2, which every x86-64 processor has.
std::size_t FindNarrow(const std::uint8_t* data, std::size_t i, std::size_t to, std::size_t len,
                       std::uint8_t first, std::uint8_t second) {
    const __m128i a = _mm_set1_epi8(static_cast<char>(first));
    const __m128i b = _mm_set1_epi8(static_cast<char>(second));
    const __m128i zero = _mm_setzero_si128();
    const std::size_t end = len >= 19 ? std::min(to, len - 19 + 1) : i;
    for (; i < end; i += 16) {
        const auto* p = data + i;
        const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
        const __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3));
        const __m128i lead = _mm_or_si128(_mm_cmpeq_epi8(x0, a), _mm_cmpeq_epi8(x0, b));
        const __m128i zeros =
            _mm_and_si128(_mm_cmpeq_epi8(x1, zero), _mm_and_si128(_mm_cmpeq_epi8(x2, zero), _mm_cmpeq_epi8(x3, zero)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(lead, zeros)));
        if (mask != 0) return std::min(i + static_cast<std::size_t>(__builtin_ctz(mask)), to);
    }
    return i;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
const bool kHasAvx512 = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f");
#endif

// The guard against bus errors on mapped windows: one handler for the
// process, armed per thread only while a mapped window is scanned.
thread_local sigjmp_buf* t_guard = nullptr;
struct sigaction g_previous {};

void OnBusError(int signal, siginfo_t* info, void* context) {
    if (t_guard != nullptr) siglongjmp(*t_guard, 1);
    // Not ours: whoever handled it before does, or the default ends the process.
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN && g_previous.sa_handler != nullptr) {
        g_previous.sa_handler(signal);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
}

void InstallBusErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        ::sigaction(SIGBUS, &action, &g_previous);
    });
}

std::size_t PageSize() {
    static const auto size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

}  // namespace

std::size_t FindCandidate(const std::uint8_t* data, std::size_t from, std::size_t to, std::size_t len,
                          std::uint8_t first, std::uint8_t second) {
    std::size_t i = from;
#if defined(__x86_64__) || defined(__i386__)
    if (kHasAvx512) {
        i = FindWidest(data, i, to, len, first, second);
    } else if (kHasAvx2) {
        i = FindWide(data, i, to, len, first, second);
    }
    if (i < to) i = FindNarrow(data, i, to, len, first, second);
    if (i >= to) return to;
#endif
    for (; i < to; ++i) {
        if (data[i] != first && data[i] != second) continue;
        if (i + 3 >= len || (data[i + 1] == 0 && data[i + 2] == 0 && data[i + 3] == 0)) return i;
    }
    return to;
}

namespace detail {

bool RunGuarded(void (*call)(void*), void* context) {
    InstallBusErrorHandler();
    sigjmp_buf jump;
    if (sigsetjmp(jump, 1) != 0) {
        t_guard = nullptr;
        return false;
    }
    t_guard = &jump;
    call(context);
    t_guard = nullptr;
    return true;
}

}  // namespace detail

WindowReader::~WindowReader() { Unmap(); }

void WindowReader::Unmap() {
    if (mapping_ != nullptr) ::munmap(mapping_, mappingBytes_);
    mapping_ = nullptr;
    mappingBytes_ = 0;
}

void WindowReader::StopMapping() {
    Unmap();
    mode_ = WindowMode::kRead;
}

std::int64_t WindowReader::Fetch(std::int64_t from, std::int64_t to) {
    Unmap();
    data_ = nullptr;
    const std::int64_t count = std::max<std::int64_t>(0, to - from);
    if (mode_ == WindowMode::kMap && count > 0) {
        // The mapping starts on a page; the window starts where it was asked to.
        const auto page = static_cast<std::int64_t>(PageSize());
        const std::int64_t start = from / page * page;
        const auto bytes = static_cast<std::size_t>(to - start);
        void* at = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, file_.Descriptor(), start);
        if (at != MAP_FAILED) {
            // Read ahead generously when the file is not in the page cache yet.
            ::madvise(at, bytes, MADV_SEQUENTIAL);
            mapping_ = at;
            mappingBytes_ = bytes;
            data_ = static_cast<const std::uint8_t*>(at) + (from - start);
            return count;
        }
        // Some file systems cannot map: read this file from now on.
        mode_ = WindowMode::kRead;
    }
    try {
        if (buffer_.size() < static_cast<std::size_t>(count)) buffer_.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    data_ = buffer_.data();
    return file_.ReadAt(from, {buffer_.data(), static_cast<std::size_t>(count)});
}

}  // namespace vorel
