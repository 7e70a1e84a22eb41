/* Lower bounds for the whole-tree benchmark.
 *
 *   read_bound read    DIR WILDCARD
 *   read_bound rewrite DIR WILDCARD SEARCH REPLACEMENT
 *
 * "read" walks DIR (dot-directories skipped, as kembrel does) and reads every
 * regular file whose name matches WILDCARD into one reused buffer: the least
 * any tool must do.  "rewrite" also searches the bytes it reads for SEARCH
 * (case-exact, a vector search) and rewrites the files that hold it: the bytes before
 * the first hit are copied with copy_file_range, the rest is streamed with
 * every occurrence replaced into a temporary file renamed over the original.
 * Line ends are left as they are, so it does less than kembrel has to.
 *
 * Prints "files read, bytes read, files rewritten" on stdout.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

/* Fits in L2, so the copy out of the page cache stays cheap. */
#define BLOCK (128 * 1024)
#define TEMP_NAME ".read_bound.tmp"

static const char *wildcard;
static const char *search;
static const char *replacement;
static size_t search_len, replacement_len;
static int rewrite_mode;

static char *buf;    /* BLOCK plus room for the carried tail of the last block */
static char *out;    /* output buffer of the rewrite */
static size_t out_len;
static unsigned long long files_read, bytes_read, files_rewritten;

/* glibc's memmem runs at a few GB/s here, slow enough to blur the bound;
 * comparing the first and last byte of the string at 16 places at once,
 * then the rest where both agree, is several times faster. */
static const char *find(const char *hay, size_t n, const char *needle, size_t m) {
    if (n < m) return NULL;
#ifdef __SSE2__
    if (m >= 2) {
        const __m128i first = _mm_set1_epi8(needle[0]);
        const __m128i last = _mm_set1_epi8(needle[m - 1]);
        size_t i = 0;
        for (; i + m - 1 + 16 <= n; i += 16) {
            __m128i a = _mm_loadu_si128((const __m128i *)(hay + i));
            __m128i b = _mm_loadu_si128((const __m128i *)(hay + i + m - 1));
            unsigned mask = (unsigned)_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last)));
            while (mask != 0) {
                unsigned j = (unsigned)__builtin_ctz(mask);
                if (memcmp(hay + i + j + 1, needle + 1, m - 2) == 0) return hay + i + j;
                mask &= mask - 1;
            }
        }
        return memmem(hay + i, n - i, needle, m);
    }
#endif
    return memmem(hay, n, needle, m);
}

static void die(const char *what, const char *name) {
    fprintf(stderr, "read_bound: %s %s: %s\n", what, name, strerror(errno));
    exit(1);
}

static ssize_t read_some(int fd, char *to, size_t n, const char *name) {
    for (;;) {
        ssize_t got = read(fd, to, n);
        if (got >= 0) return got;
        if (errno != EINTR) die("cannot read", name);
    }
}

static void write_all(int fd, const char *from, size_t n, const char *name) {
    while (n > 0) {
        ssize_t put = write(fd, from, n);
        if (put < 0) {
            if (errno == EINTR) continue;
            die("cannot write", name);
        }
        from += put;
        n -= (size_t)put;
    }
}

static void emit(int fd, const char *from, size_t n, const char *name) {
    if (out_len + n > BLOCK) {
        write_all(fd, out, out_len, name);
        out_len = 0;
        if (n > BLOCK) {
            write_all(fd, from, n, name);
            return;
        }
    }
    memcpy(out + out_len, from, n);
    out_len += n;
}

/* Offset of the first occurrence, or -1; reads the whole file when there is none. */
static long long first_hit(int fd, const char *name) {
    size_t keep = 0;
    long long base = 0; /* file offset of buf[0] */
    for (;;) {
        ssize_t got = read_some(fd, buf + keep, BLOCK, name);
        bytes_read += (unsigned long long)got;
        size_t have = keep + (size_t)got;
        if (rewrite_mode && have >= search_len) {
            const char *p = find(buf, have, search, search_len);
            if (p != NULL) return base + (p - buf);
        }
        if (got == 0) return -1;
        if (!rewrite_mode) continue;
        /* An occurrence may straddle two blocks: carry the tail along. */
        keep = have < search_len - 1 ? have : search_len - 1;
        memmove(buf, buf + have - keep, keep);
        base += (long long)(have - keep);
    }
}

static void rewrite(int dirfd, int in, const char *name, long long hit) {
    struct stat st;
    if (fstat(in, &st) != 0) die("cannot stat", name);
    int tmp = openat(dirfd, TEMP_NAME, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777);
    if (tmp < 0) die("cannot create a temporary file beside", name);

    /* The bytes before the first hit need no search. */
    loff_t from = 0;
    while (from < hit) {
        ssize_t n = copy_file_range(in, &from, tmp, NULL, (size_t)(hit - from), 0);
        if (n <= 0) die("cannot copy", name);
    }
    if (lseek(in, hit, SEEK_SET) < 0) die("cannot seek in", name);

    out_len = 0;
    size_t have = 0;
    int eof = 0;
    while (!eof) {
        ssize_t got = read_some(in, buf + have, BLOCK, name);
        if (got == 0) eof = 1;
        have += (size_t)got;
        size_t pos = 0;
        for (;;) {
            const char *p = have - pos >= search_len ? find(buf + pos, have - pos, search, search_len) : NULL;
            if (p == NULL) break;
            emit(tmp, buf + pos, (size_t)(p - buf) - pos, name);
            emit(tmp, replacement, replacement_len, name);
            pos = (size_t)(p - buf) + search_len;
        }
        size_t keep = eof ? 0 : have - pos < search_len - 1 ? have - pos : search_len - 1;
        emit(tmp, buf + pos, have - pos - keep, name);
        memmove(buf, buf + have - keep, keep);
        have = keep;
    }
    write_all(tmp, out, out_len, name);
    if (close(tmp) != 0) die("cannot close", name);
    if (renameat(dirfd, TEMP_NAME, dirfd, name) != 0) die("cannot rename over", name);
    ++files_rewritten;
}

struct entry {
    char *name;
    unsigned char type;
};

static void walk(int dirfd, const char *path) {
    DIR *dir = fdopendir(dirfd);
    if (dir == NULL) die("cannot list", path);
    /* List first, then work: a rename during readdir could show a file twice. */
    struct entry *list = NULL;
    size_t count = 0, cap = 0;
    struct dirent *e;
    while ((e = readdir(dir)) != NULL) {
        const char *name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        if (count == cap) {
            cap = cap ? cap * 2 : 64;
            list = realloc(list, cap * sizeof *list);
            if (list == NULL) die("out of memory", path);
        }
        list[count].name = strdup(name);
        list[count].type = e->d_type;
        ++count;
    }
    for (size_t i = 0; i < count; ++i) {
        const char *name = list[i].name;
        unsigned char type = list[i].type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) die("cannot stat", name);
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            if (name[0] == '.') continue;
            int sub = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sub < 0) die("cannot open directory", name);
            walk(sub, name);
        } else if (type == DT_REG && strcmp(name, TEMP_NAME) != 0 && fnmatch(wildcard, name, 0) == 0) {
            int fd = openat(dirfd, name, O_RDONLY | O_CLOEXEC);
            if (fd < 0) die("cannot open", name);
            ++files_read;
            long long hit = first_hit(fd, name);
            if (hit >= 0) rewrite(dirfd, fd, name, hit);
            close(fd);
        }
    }
    for (size_t i = 0; i < count; ++i) free(list[i].name);
    free(list);
    closedir(dir);
}

int main(int argc, char **argv) {
    if (argc == 4 && strcmp(argv[1], "read") == 0) {
        rewrite_mode = 0;
    } else if (argc == 6 && strcmp(argv[1], "rewrite") == 0 && argv[4][0] != 0) {
        rewrite_mode = 1;
        search = argv[4];
        replacement = argv[5];
        search_len = strlen(search);
        replacement_len = strlen(replacement);
    } else {
        fprintf(stderr, "usage: read_bound read DIR WILDCARD\n"
                        "       read_bound rewrite DIR WILDCARD SEARCH REPLACEMENT\n");
        return 2;
    }
    wildcard = argv[3];
    buf = malloc(BLOCK + search_len);
    out = malloc(BLOCK);
    if (buf == NULL || out == NULL) die("out of memory", "");
    int top = open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0) die("cannot open directory", argv[2]);
    walk(top, argv[2]);
    printf("%llu files read, %llu bytes read, %llu files rewritten\n", files_read, bytes_read, files_rewritten);
    return 0;
}
