/* i386 LD_PRELOAD shim for running Wine under qemu-i386 7.2 (linux-user), which
 * treats MAP_FIXED_NOREPLACE as a mere hint.  Emulates the kernel semantics:
 * fail with EEXIST if any page of the range is mapped, else map with MAP_FIXED.
 * Built without i386 libc headers: gcc -m32 -shared -fPIC -nostdlib ... libc.so.6 */
typedef unsigned int size_t;
typedef long off_t;
typedef long long off64_t;
#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void *)-1)
#define EEXIST 17
#define O_RDONLY 0
#define RTLD_NEXT ((void *)-1)
extern void *dlsym(void *, const char *);
extern int open(const char *, int, ...);
extern int read(int, void *, size_t);
extern int close(int);
extern int *__errno_location(void);

static int overlaps(unsigned long lo, unsigned long hi)
{
    static char buf[65536 * 4];
    int fd = open("/proc/self/maps", O_RDONLY), n, tot = 0;
    if (fd < 0) return 0;
    while (tot < (int)sizeof(buf) - 1 && (n = read(fd, buf + tot, sizeof(buf) - 1 - tot)) > 0) tot += n;
    close(fd);
    buf[tot] = 0;
    char *p = buf;
    while (*p) {
        unsigned long s = 0, e = 0;
        while (*p && *p != '-') { char c = *p++; s = s * 16 + (c <= '9' ? c - '0' : (c | 32) - 'a' + 10); }
        if (*p == '-') p++;
        while (*p && *p != ' ') { char c = *p++; e = e * 16 + (c <= '9' ? c - '0' : (c | 32) - 'a' + 10); }
        if (s < hi && lo < e) return 1;
        while (*p && *p != '\n') p++;
        if (*p) p++;
    }
    return 0;
}

typedef void *(*mmap_t)(void *, size_t, int, int, int, off_t);
typedef void *(*mmap64_t)(void *, size_t, int, int, int, off64_t);

static int check(void *addr, size_t len, int *flags)
{
    if (!(*flags & MAP_FIXED_NOREPLACE)) return 0;
    unsigned long lo = (unsigned long)addr, hi = lo + ((len + 4095) & ~4095u);
    if (hi < lo || overlaps(lo, hi)) { *__errno_location() = EEXIST; return -1; }
    *flags = (*flags & ~MAP_FIXED_NOREPLACE) | MAP_FIXED;
    return 0;
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off)
{
    static mmap_t real;
    if (!real) real = (mmap_t)dlsym(RTLD_NEXT, "mmap");
    if (check(addr, len, &flags)) return MAP_FAILED;
    return real(addr, len, prot, flags, fd, off);
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, off64_t off)
{
    static mmap64_t real;
    if (!real) real = (mmap64_t)dlsym(RTLD_NEXT, "mmap64");
    if (check(addr, len, &flags)) return MAP_FAILED;
    return real(addr, len, prot, flags, fd, off);
}
