// A storage model for the benchmarks, loaded with LD_PRELOAD into every
// program measured (cat, dd, ffmpeg, quarvel alike). Every read of one chosen
// file is charged by a model of a slow device and then served from the page
// cache, where the benchmark keeps the file:
//
//   rotating  a disk: a read that does not continue within NEAR bytes of the
//             last one pays a seek; a short skip forward pays the time the
//             skipped bytes take to pass under the head; then RATE.
//   network   a share: every request that needs bytes not yet read pays one
//             round trip, then RATE.
//
// The program is made to wait for what it is charged, so that a program that
// measures its own reads sees the modelled device. Bytes once read count as
// cached from then on, as they would be: reading them again costs nothing, and
// a read that asks for cached data only (preadv2 with RWF_NOWAIT) gets them;
// every other such read fails with EAGAIN, and mincore shows the pages of a
// mapping of the file resident only once they have been charged.
//
// Every way a program gets the file's bytes must be charged, or its time would
// be flattering: read, pread, readv, preadv, preadv2 (and their _chk and 64
// forms), sendfile, splice, copy_file_range; a mapping of the file is charged
// whole when made. Opening the file through stdio is refused (its reads run
// inside the C library, out of sight). At exit the bytes the process read
// through any call (rchar of /proc/self/io) are compared with those seen here;
// a process that read more than UNSEEN_LIMIT bytes out of sight ends with
// status 125 instead of its own, so that its figure cannot be taken.
//
// Environment:
//   STORAGE_MODEL           rotating | network (required)
//   STORAGE_MODEL_FILE      the file charged (required)
//   STORAGE_MODEL_SEEK_MS   rotating: one seek, default 8
//   STORAGE_MODEL_NEAR_KIB  rotating: how far a read may land past the last
//                           one without a seek, default 128
//   STORAGE_MODEL_RTT_MS    network: one request, default 1
//   STORAGE_MODEL_MB_S      throughput in MB/s (10^6 bytes), default 150
//                           (rotating) or 110 (network)
//   STORAGE_MODEL_SLEEP     1 (default): wait for the time charged; 0: only
//                           count it
//   STORAGE_MODEL_TRACE     1: every read of the file charged, on standard error
//   STORAGE_MODEL_REPORT    a file to which one line per process is appended:
//                           program, seconds charged, requests, seeks, bytes
//                           charged, bytes of the file delivered, bytes read
//                           out of sight, and seconds the device stood idle
//                           between the first and the last request, waiting
//                           for the program
// glibc's own switch for RTLD_NEXT and preadv2; the names of its fortified
// calls (__read_chk and the like) are reserved too, and interposed like the
// calls they check.
#define _GNU_SOURCE  // NOLINT(bugprone-reserved-identifier)
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#define PAGE 4096u
#define UNSEEN_LIMIT (1u << 20)
#define MAX_MAPPINGS 64

enum Model { ROTATING, NETWORK };

// ---- the real calls ------------------------------------------------------------

typedef ssize_t (*ReadFn)(int, void*, size_t);
typedef ssize_t (*PreadFn)(int, void*, size_t, off_t);
typedef ssize_t (*ReadvFn)(int, const struct iovec*, int);
typedef ssize_t (*PreadvFn)(int, const struct iovec*, int, off_t);
typedef ssize_t (*Preadv2Fn)(int, const struct iovec*, int, off_t, int);
typedef ssize_t (*SendfileFn)(int, int, off_t*, size_t);
typedef ssize_t (*SpliceFn)(int, loff_t*, int, loff_t*, size_t, unsigned);
typedef ssize_t (*CopyRangeFn)(int, loff_t*, int, loff_t*, size_t, unsigned);
typedef void* (*MmapFn)(void*, size_t, int, int, int, off_t);
typedef int (*MunmapFn)(void*, size_t);
typedef int (*MincoreFn)(void*, size_t, unsigned char*);
typedef int (*FadviseFn)(int, off_t, off_t, int);
typedef FILE* (*FopenFn)(const char*, const char*);
typedef FILE* (*FreopenFn)(const char*, const char*, FILE*);
typedef FILE* (*FdopenFn)(int, const char*);

static struct {
    ReadFn read;
    PreadFn pread;
    ReadvFn readv;
    PreadvFn preadv;
    Preadv2Fn preadv2;
    SendfileFn sendfile;
    SpliceFn splice;
    CopyRangeFn copy_file_range;
    MmapFn mmap;
    MunmapFn munmap;
    MincoreFn mincore;
    FadviseFn posix_fadvise;
    FopenFn fopen;
    FreopenFn freopen;
    FdopenFn fdopen;
} real;

// dlsym hands out an object pointer; this copies it into a function pointer
// without the conversion ISO C does not define.
static void Resolve(void* slot, size_t size, const char* name) {
    void* p = dlsym(RTLD_NEXT, name);
    if (p == NULL) {
        fprintf(stderr, "storage model: no %s in the C library\n", name);
        _exit(125);
    }
    memcpy(slot, &p, size);
}
#define RESOLVE(field) Resolve(&real.field, sizeof real.field, #field)

// ---- the model's state ------------------------------------------------------------

static struct {
    enum Model model;
    dev_t dev;
    ino_t ino;
    uint64_t size;
    uint64_t seekNs, nearBytes, requestNs;
    double nsPerByte;
    int ready;  // configured: until then no file is charged
    int sleep;
    int trace;
    const char* report;

    pthread_mutex_t lock;
    uint8_t* cached;  // one bit per page of the file: charged already
    uint64_t head;    // rotating: the byte after the last one charged
    int headKnown;    // rotating: false until the first read
    uint64_t busyNs;  // the device is busy until then (CLOCK_MONOTONIC)
    uint64_t chargedNs, requests, seeks, bytesCharged, delivered;
    uint64_t idleNs;      // the device waited for the program between requests
    uint64_t seen;        // bytes returned by every read call seen, any file
    uint64_t rcharStart;  // rchar of /proc/self/io when the process began
    struct {
        uintptr_t start, end;
        uint64_t offset;
    } maps[MAX_MAPPINGS];
} m = {.lock = PTHREAD_MUTEX_INITIALIZER};

static pthread_once_t once = PTHREAD_ONCE_INIT;

// The name of the running program, from /proc.
static void ProgramName(char* name, size_t size) {
    snprintf(name, size, "?");
    int fd = open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t n = real.read(fd, name, size - 1);
        name[n > 0 ? n - 1 : 0] = 0;
        close(fd);
    }
}

static void Refuse(const char* what) {
    char name[64];
    ProgramName(name, sizeof name);
    fprintf(stderr, "storage model: %s %s; refused (status 125)\n", name, what);
    _exit(125);
}

static uint64_t Number(const char* name, uint64_t fallback) {
    const char* v = getenv(name);
    if (v == NULL || *v == 0) {
        return fallback;
    }
    char* end = NULL;
    unsigned long long n = strtoull(v, &end, 10);
    if (*end != 0) {
        fprintf(stderr, "storage model: %s=%s is not a whole number\n", name, v);
        _exit(125);
    }
    return n;
}

static uint64_t NowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint64_t)t.tv_sec * 1000000000u + (uint64_t)t.tv_nsec;
}

// The counter named (e.g. "rchar") from /proc/self/io; the bytes of that
// read are counted as seen.
static uint64_t ProcIo(const char* name) {
    char text[512];
    int fd = open("/proc/self/io", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    ssize_t n = real.read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) {
        return 0;
    }
    __atomic_add_fetch(&m.seen, (uint64_t)n, __ATOMIC_RELAXED);
    text[n] = 0;
    const char* at = strstr(text, name);
    return at == NULL ? 0 : strtoull(at + strlen(name) + 1, NULL, 10);
}

static void Init(void) {
    RESOLVE(read);
    RESOLVE(pread);
    RESOLVE(readv);
    RESOLVE(preadv);
    RESOLVE(preadv2);
    RESOLVE(sendfile);
    RESOLVE(splice);
    RESOLVE(copy_file_range);
    RESOLVE(mmap);
    RESOLVE(munmap);
    RESOLVE(mincore);
    RESOLVE(posix_fadvise);
    RESOLVE(fopen);
    RESOLVE(freopen);
    RESOLVE(fdopen);
}

// Reads the model from the environment, once the program's constructors run:
// calls made before (by a sanitizer's runtime starting, say) find no
// environment yet, and are passed through uncharged.
static void Configure(void) {
    const char* model = getenv("STORAGE_MODEL");
    const char* file = getenv("STORAGE_MODEL_FILE");
    if (model == NULL || file == NULL) {
        fprintf(stderr, "storage model: STORAGE_MODEL and STORAGE_MODEL_FILE must be set\n");
        _exit(125);
    }
    if (strcmp(model, "rotating") == 0) {
        m.model = ROTATING;
    } else if (strcmp(model, "network") == 0) {
        m.model = NETWORK;
    } else {
        fprintf(stderr, "storage model: STORAGE_MODEL=%s: rotating or network\n", model);
        _exit(125);
    }
    struct stat info;
    if (stat(file, &info) != 0) {
        fprintf(stderr, "storage model: %s: %s\n", file, strerror(errno));
        _exit(125);
    }
    m.dev = info.st_dev;
    m.ino = info.st_ino;
    m.size = (uint64_t)info.st_size;
    m.seekNs = Number("STORAGE_MODEL_SEEK_MS", 8) * 1000000u;
    m.nearBytes = Number("STORAGE_MODEL_NEAR_KIB", 128) * 1024u;
    m.requestNs = Number("STORAGE_MODEL_RTT_MS", 1) * 1000000u;
    const uint64_t rate = Number("STORAGE_MODEL_MB_S", m.model == ROTATING ? 150 : 110);
    if (rate == 0) {
        fprintf(stderr, "storage model: STORAGE_MODEL_MB_S must be above 0\n");
        _exit(125);
    }
    m.nsPerByte = 1000.0 / (double)rate;
    m.sleep = Number("STORAGE_MODEL_SLEEP", 1) != 0;
    m.trace = Number("STORAGE_MODEL_TRACE", 0) != 0;
    m.report = getenv("STORAGE_MODEL_REPORT");
    m.cached = calloc(m.size / PAGE / 8 + 1, 1);
    if (m.cached == NULL) {
        _exit(125);
    }
    m.rcharStart = ProcIo("rchar");
    m.ready = 1;
}

// When this thread's call began: the device's time for it runs from then,
// the copy out of the page cache included, so that the speed of the
// machine's memory, and its load, stay out of the time charged.
static __thread uint64_t calledNs;

static uint64_t NowNs(void);

// At the start of every call.
static void EnsureInit(void) {
    pthread_once(&once, Init);
    calledNs = NowNs();
}

// A child starts with nothing charged: its own line reports its own reads.
static void AfterFork(void) {
    m.chargedNs = m.idleNs = m.requests = m.seeks = m.bytesCharged = m.delivered = m.seen = 0;
    m.rcharStart = ProcIo("rchar");
}

__attribute__((constructor)) static void Start(void) {
    EnsureInit();
    Configure();
    pthread_atfork(NULL, NULL, AfterFork);
}

// ---- charging ----------------------------------------------------------------------

static int IsTarget(int fd) {
    struct stat info;
    return m.ready && fd >= 0 && fstat(fd, &info) == 0 && info.st_dev == m.dev &&
           info.st_ino == m.ino;
}

static int Cached(uint64_t page) {
    return (m.cached[page / 8] >> (page % 8)) & 1;
}

// How many bytes from `offset` on are cached, up to `n`.
static size_t CachedPrefix(uint64_t offset, size_t n) {
    pthread_mutex_lock(&m.lock);
    uint64_t end = offset;
    while (end < offset + n && end < m.size && Cached(end / PAGE)) {
        end = (end / PAGE + 1) * PAGE;
    }
    pthread_mutex_unlock(&m.lock);
    return (size_t)((end < offset + n ? end : offset + n) - offset);
}

// The time the pages of [offset, offset + n) not read yet cost, under the
// lock. Marks them cached.
static uint64_t CostOf(uint64_t offset, uint64_t n) {
    uint64_t cost = 0, fresh = 0;
    const uint64_t last = (offset + n + PAGE - 1) / PAGE;
    for (uint64_t page = offset / PAGE; page < last;) {
        if (Cached(page)) {
            ++page;
            continue;
        }
        uint64_t end = page;
        while (end < last && !Cached(end)) {
            m.cached[end / 8] |= (uint8_t)(1u << (end % 8));
            ++end;
        }
        const uint64_t at = page * PAGE, bytes = (end - page) * PAGE;
        if (m.model == ROTATING) {
            if (m.headKnown && at >= m.head && at - m.head <= m.nearBytes) {
                cost += (uint64_t)((double)(at - m.head) * m.nsPerByte);
            } else {
                cost += m.seekNs;
                ++m.seeks;
            }
            m.head = at + bytes;
            m.headKnown = 1;
        }
        cost += (uint64_t)((double)bytes * m.nsPerByte);
        fresh += bytes;
        page = end;
    }
    if (fresh > 0) {
        ++m.requests;
        if (m.model == NETWORK) {
            cost += m.requestNs;
        }
    }
    m.bytesCharged += fresh;
    return cost;
}

// How late this thread woke up from its last wait. The device's time goes on
// from where that wait should have ended: the scheduler's delay in waking a
// program up is not the program's, and would otherwise be paid once per
// request, by a program of small reads many times over.
static __thread uint64_t lateNs;

// Charges `n` bytes of the file delivered at `offset` and waits until the
// modelled device has delivered them. Requests queue as on one device.
static void Charge(uint64_t offset, uint64_t n) {
    if (n == 0) {
        return;
    }
    pthread_mutex_lock(&m.lock);
    const uint64_t cost = CostOf(offset, n);
    const uint64_t now = calledNs - lateNs;
    const uint64_t start = m.busyNs > now ? m.busyNs : now;
    m.idleNs += m.busyNs != 0 && now > m.busyNs ? now - m.busyNs : 0;
    m.busyNs = start + cost;
    m.chargedNs += cost;
    m.delivered += n;
    if (m.trace) {
        fprintf(stderr, "storage model: %llu bytes at %llu: %.3f ms\n", (unsigned long long)n,
                (unsigned long long)offset, (double)cost / 1e6);
    }
    const uint64_t until = m.busyNs;
    pthread_mutex_unlock(&m.lock);
    lateNs = 0;
    if (m.sleep && cost > 0) {
        struct timespec t = {(time_t)(until / 1000000000u), (long)(until % 1000000000u)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) == EINTR) {
        }
        const uint64_t woke = NowNs();
        lateNs = woke > until ? woke - until : 0;
    }
}

static ssize_t Seen(ssize_t r) {
    if (r > 0) {
        __atomic_add_fetch(&m.seen, (uint64_t)r, __ATOMIC_RELAXED);
    }
    return r;
}

static void ChargeAt(int fd, off_t offset, ssize_t r) {
    if (r > 0 && IsTarget(fd)) {
        Charge((uint64_t)offset, (uint64_t)r);
    }
}

// For calls that read at the descriptor's position: the position before them.
static off_t PositionOf(int fd, int* target) {
    *target = IsTarget(fd);
    return *target ? lseek(fd, 0, SEEK_CUR) : 0;
}

// ---- the calls -----------------------------------------------------------------------

ssize_t read(int fd, void* buf, size_t n) {
    EnsureInit();
    int target;
    const off_t at = PositionOf(fd, &target);
    const ssize_t r = Seen(real.read(fd, buf, n));
    if (target && r > 0) {
        Charge((uint64_t)at, (uint64_t)r);
    }
    return r;
}

// NOLINTNEXTLINE(bugprone-reserved-identifier)
ssize_t __read_chk(int fd, void* buf, size_t n, size_t size) {
    if (n > size) {
        abort();
    }
    return read(fd, buf, n);
}

ssize_t pread(int fd, void* buf, size_t n, off_t offset) {
    EnsureInit();
    const ssize_t r = Seen(real.pread(fd, buf, n, offset));
    ChargeAt(fd, offset, r);
    return r;
}

ssize_t pread64(int fd, void* buf, size_t n, off_t offset) {
    return pread(fd, buf, n, offset);
}

// NOLINTNEXTLINE(bugprone-reserved-identifier)
ssize_t __pread_chk(int fd, void* buf, size_t n, off_t offset, size_t size) {
    if (n > size) {
        abort();
    }
    return pread(fd, buf, n, offset);
}

// NOLINTNEXTLINE(bugprone-reserved-identifier)
ssize_t __pread64_chk(int fd, void* buf, size_t n, off_t offset, size_t size) {
    return __pread_chk(fd, buf, n, offset, size);
}

ssize_t readv(int fd, const struct iovec* iov, int count) {
    EnsureInit();
    int target;
    const off_t at = PositionOf(fd, &target);
    const ssize_t r = Seen(real.readv(fd, iov, count));
    if (target && r > 0) {
        Charge((uint64_t)at, (uint64_t)r);
    }
    return r;
}

// A read that may take cached pages only gets those of them that the model
// has charged already, as the kernel gives only those in memory.
static ssize_t CachedOnly(int fd, const struct iovec* iov, int count, off_t offset, int flags) {
    size_t want = 0;
    for (int i = 0; i < count; ++i) {
        want += iov[i].iov_len;
    }
    size_t allowed = CachedPrefix((uint64_t)offset, want);
    if (allowed == 0 && want > 0) {
        errno = EAGAIN;
        return -1;
    }
    struct iovec cut[IOV_MAX];
    int n = 0;
    for (int i = 0; i < count && allowed > 0 && n < IOV_MAX; ++i, ++n) {
        cut[n] = iov[i];
        if (cut[n].iov_len > allowed) {
            cut[n].iov_len = allowed;
        }
        allowed -= cut[n].iov_len;
    }
    return Seen(real.preadv2(fd, cut, n, offset, flags));
}

ssize_t preadv2(int fd, const struct iovec* iov, int count, off_t offset, int flags) {
    EnsureInit();
    // An offset of -1 reads at the descriptor's position.
    int target;
    const off_t at = offset == -1 ? PositionOf(fd, &target) : (target = IsTarget(fd), offset);
    if (target && (flags & RWF_NOWAIT) != 0 && count >= 0 && count <= IOV_MAX) {
        return CachedOnly(fd, iov, count, at, flags);
    }
    const ssize_t r = Seen(real.preadv2(fd, iov, count, offset, flags));
    if (target && r > 0) {
        Charge((uint64_t)at, (uint64_t)r);
    }
    return r;
}

ssize_t preadv64v2(int fd, const struct iovec* iov, int count, off_t offset, int flags) {
    return preadv2(fd, iov, count, offset, flags);
}

ssize_t preadv(int fd, const struct iovec* iov, int count, off_t offset) {
    return preadv2(fd, iov, count, offset, 0);
}

ssize_t preadv64(int fd, const struct iovec* iov, int count, off_t offset) {
    return preadv2(fd, iov, count, offset, 0);
}

ssize_t sendfile(int out, int in, off_t* offset, size_t n) {
    EnsureInit();
    int target;
    const off_t at = offset != NULL ? (target = IsTarget(in), *offset) : PositionOf(in, &target);
    const ssize_t r = Seen(real.sendfile(out, in, offset, n));
    if (target && r > 0) {
        Charge((uint64_t)at, (uint64_t)r);
    }
    return r;
}

ssize_t sendfile64(int out, int in, off_t* offset, size_t n) {
    return sendfile(out, in, offset, n);
}

static ssize_t CopyOut(int in, loff_t* offset, ssize_t r, off_t at, int target) {
    (void)in;
    (void)offset;
    if (target && r > 0) {
        Charge((uint64_t)at, (uint64_t)r);
    }
    return Seen(r);
}

ssize_t splice(int in, loff_t* inOffset, int out, loff_t* outOffset, size_t n, unsigned flags) {
    EnsureInit();
    int target;
    const off_t at =
        inOffset != NULL ? (target = IsTarget(in), *inOffset) : PositionOf(in, &target);
    return CopyOut(in, inOffset, real.splice(in, inOffset, out, outOffset, n, flags), at, target);
}

ssize_t copy_file_range(int in, loff_t* inOffset, int out, loff_t* outOffset, size_t n,
                        unsigned flags) {
    EnsureInit();
    int target;
    const off_t at =
        inOffset != NULL ? (target = IsTarget(in), *inOffset) : PositionOf(in, &target);
    return CopyOut(in, inOffset, real.copy_file_range(in, inOffset, out, outOffset, n, flags), at,
                   target);
}

// A mapping of the file is charged whole when made: its pages are read by
// faults that cannot be seen one by one.
void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    EnsureInit();
    void* p = real.mmap(addr, length, prot, flags, fd, offset);
    if (p != MAP_FAILED && (flags & MAP_ANONYMOUS) == 0 && IsTarget(fd)) {
        const uint64_t end = (uint64_t)offset + length;
        Charge((uint64_t)offset, (end < m.size ? end : m.size) - (uint64_t)offset);
        pthread_mutex_lock(&m.lock);
        for (int i = 0; i < MAX_MAPPINGS; ++i) {
            if (m.maps[i].end == 0) {
                m.maps[i].start = (uintptr_t)p;
                m.maps[i].end = (uintptr_t)p + length;
                m.maps[i].offset = (uint64_t)offset;
                break;
            }
        }
        pthread_mutex_unlock(&m.lock);
    }
    return p;
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    return mmap(addr, length, prot, flags, fd, offset);
}

int munmap(void* addr, size_t length) {
    EnsureInit();
    pthread_mutex_lock(&m.lock);
    for (int i = 0; i < MAX_MAPPINGS; ++i) {
        if (m.maps[i].start == (uintptr_t)addr) {
            m.maps[i].start = m.maps[i].end = 0;
        }
    }
    pthread_mutex_unlock(&m.lock);
    return real.munmap(addr, length);
}

// The pages of a mapping of the file are resident once charged.
int mincore(void* addr, size_t length, unsigned char* vec) {
    EnsureInit();
    const int r = real.mincore(addr, length, vec);
    if (r != 0) {
        return r;
    }
    const uintptr_t from = (uintptr_t)addr;
    pthread_mutex_lock(&m.lock);
    for (size_t k = 0; k < (length + PAGE - 1) / PAGE; ++k) {
        const uintptr_t page = from + k * PAGE;
        for (int i = 0; i < MAX_MAPPINGS; ++i) {
            if (page >= m.maps[i].start && page < m.maps[i].end) {
                const uint64_t at = m.maps[i].offset + (page - m.maps[i].start);
                vec[k] = at < m.size && Cached(at / PAGE);
            }
        }
    }
    pthread_mutex_unlock(&m.lock);
    return 0;
}

// Advice about the file would act on the real page cache (dropping the pages
// the model serves from, or reading ahead for free): it is taken and ignored.
int posix_fadvise(int fd, off_t offset, off_t length, int advice) {
    EnsureInit();
    return IsTarget(fd) ? 0 : real.posix_fadvise(fd, offset, length, advice);
}

int posix_fadvise64(int fd, off_t offset, off_t length, int advice) {
    return posix_fadvise(fd, offset, length, advice);
}

static int IsTargetPath(const char* path) {
    struct stat info;
    return m.ready && path != NULL && stat(path, &info) == 0 && info.st_dev == m.dev &&
           info.st_ino == m.ino;
}

FILE* fopen(const char* path, const char* mode) {
    EnsureInit();
    if (IsTargetPath(path)) {
        Refuse("opens the file through stdio, whose reads cannot be seen");
    }
    return real.fopen(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    return fopen(path, mode);
}

FILE* freopen(const char* path, const char* mode, FILE* stream) {
    EnsureInit();
    if (IsTargetPath(path)) {
        Refuse("opens the file through stdio, whose reads cannot be seen");
    }
    return real.freopen(path, mode, stream);
}

FILE* freopen64(const char* path, const char* mode, FILE* stream) {
    return freopen(path, mode, stream);
}

FILE* fdopen(int fd, const char* mode) {
    EnsureInit();
    if (IsTarget(fd)) {
        Refuse("opens the file through stdio, whose reads cannot be seen");
    }
    return real.fdopen(fd, mode);
}

// ---- the report ------------------------------------------------------------------------

__attribute__((destructor)) static void Finish(void) {
    if (!m.ready) {
        return;
    }
    const uint64_t rchar = ProcIo("rchar");
    const uint64_t seen = __atomic_load_n(&m.seen, __ATOMIC_RELAXED);
    const uint64_t unseen = rchar > m.rcharStart + seen ? rchar - m.rcharStart - seen : 0;
    char name[64];
    ProgramName(name, sizeof name);
    if (m.report != NULL && *m.report != 0) {
        char line[512];
        const int n = snprintf(line, sizeof line,
                               "%s charged %.6f s requests %llu seeks %llu bytes %llu delivered "
                               "%llu unseen %llu idle %.6f s\n",
                               name, (double)m.chargedNs / 1e9, (unsigned long long)m.requests,
                               (unsigned long long)m.seeks, (unsigned long long)m.bytesCharged,
                               (unsigned long long)m.delivered, (unsigned long long)unseen,
                               (double)m.idleNs / 1e9);
        int out = open(m.report, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out >= 0 && n > 0) {
            (void)!write(out, line, (size_t)n);
            close(out);
        }
    }
    if (unseen > UNSEEN_LIMIT) {
        fprintf(stderr, "storage model: %s read %llu bytes through calls it cannot see\n", name,
                (unsigned long long)unseen);
        _exit(125);
    }
}
