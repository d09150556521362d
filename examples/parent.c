/* A parent of setup-dialog in C (POSIX): asks one question and reads the
 * answer. Usage: parent PROGRAM MODE [ITEMS...]
 * Prints the same one-line answer as parent.py beside it. Build with
 *   cc -std=c99 -o parent examples/parent.c
 */
#define _POSIX_C_SOURCE 200809L
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

/* The parent owns the timing: the program has no timeout of its own. */
#define TIMEOUT_SECONDS 600

struct buffer {
    char *bytes;
    size_t size;
};

static void append(struct buffer *b, const char *bytes, size_t n) {
    char *grown = realloc(b->bytes, b->size + n + 1);
    if (!grown) abort();
    b->bytes = grown;
    memcpy(b->bytes + b->size, bytes, n);
    b->size += n;
    b->bytes[b->size] = '\0';
}

/* Runs one question. Reads standard output and standard error to their ends
 * before waiting, so that a long record never fills a pipe while the parent
 * waits. Returns the exit status, or -1 when the run ended by a signal. */
static int ask(char **argv, struct buffer *out, struct buffer *err) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return -1;
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        execv(argv[0], argv);
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    struct buffer *into[2] = {out, err};
    int open = 2;
    const time_t deadline = time(NULL) + TIMEOUT_SECONDS;
    while (open > 0) {
        const int ready = poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR) break;
        if (time(NULL) > deadline) kill(child, SIGTERM); /* no record follows */
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                append(into[i], chunk, (size_t)n);
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/* Splits the record on line feeds alone (a name may hold a carriage
 * return). Returns the count of lines, or -1 when the last has no line feed. */
static int split_lines(char *record, size_t size, char **lines, int most) {
    int count = 0;
    size_t start = 0;
    for (size_t i = 0; i < size; ++i) {
        if (record[i] != '\n') continue;
        if (count == most) return most + 1;
        record[i] = '\0';
        lines[count++] = record + start;
        start = i + 1;
    }
    return start == size ? count : -1;
}

/* A selection line: the names joined by ","; empty means none. Printed as
 * the count of names, ":", and the names joined by "|". */
static void print_names(const char *line) {
    int count = *line ? 1 : 0;
    for (const char *c = line; *c; ++c) count += *c == ',';
    printf("%d:", count);
    for (; *line; ++line) putchar(*line == ',' ? '|' : *line);
}

static int is_word(const char *line, const char *a, const char *b) {
    return strcmp(line, a) == 0 || strcmp(line, b) == 0;
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: parent PROGRAM MODE [ITEMS...]\n");
        return 2;
    }
    const char *mode = argv[2];
    struct buffer out = {NULL, 0}, err = {NULL, 0};
    append(&out, "", 0);
    append(&err, "", 0);
    const int status = ask(argv + 1, &out, &err);
    if (status != 0) {
        /* Status 1 (or a signal): no answer, whatever the reason. */
        if (err.size > 0 && err.bytes[err.size - 1] == '\n') err.bytes[err.size - 1] = '\0';
        printf("no answer: %s\n", err.bytes);
        return 1;
    }
    char *lines[3];
    const int n = split_lines(out.bytes, out.size, lines, 3);
    if (strcmp(mode, "clients") == 0 && n == 3 && is_word(lines[0], "configure", "skip") &&
        is_word(lines[1], "true", "false")) {
        printf("clients: %s auto=%s apps=", lines[0], lines[1]);
        print_names(lines[2]);
        putchar('\n');
    } else if (strcmp(mode, "no-clients") == 0 && n == 2 && is_word(lines[0], "continue", "close") &&
               is_word(lines[1], "true", "false")) {
        printf("no-clients: %s auto=%s\n", lines[0], lines[1]);
    } else if (strcmp(mode, "migrate") == 0 && n == 1) {
        /* "false" is a decline (a single tool named false reads the same). */
        if (strcmp(lines[0], "false") == 0) {
            printf("migrate: declined\n");
        } else {
            printf("migrate: tools=");
            print_names(lines[0]);
            putchar('\n');
        }
    } else if (strcmp(mode, "enroll") == 0 && n == 1 &&
               strcmp(lines[0], "__ORVEX_ENROLL_SKIP__") == 0) {
        printf("enroll: skipped\n");
    } else if (strcmp(mode, "enroll") == 0 && n == 1 && strcmp(lines[0], "false") == 0) {
        printf("enroll: cancelled\n");
    } else if (strcmp(mode, "enroll") == 0 && n == 2) {
        printf("enroll: code=%s email=%s\n", lines[0], lines[1]);
    } else if ((strcmp(mode, "migrate-empty") == 0 || strcmp(mode, "enforcement-error") == 0) &&
               n == 0) {
        printf("%s: shown\n", mode);
    } else {
        printf("no answer: unexpected record\n");
        return 1;
    }
    return 0;
}
