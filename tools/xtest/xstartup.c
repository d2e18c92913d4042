/* Start-up time of a program under X: runs a command and prints the
 * milliseconds from starting it until every named window is viewable, and
 * from the moment a process whose command line begins with PATTERN appeared
 * (a program started through a loader such as wine gets its own command
 * line only once the loader is done): "TOTAL_MS PROCESS_MS".
 *
 *   xstartup PATTERN TIMEOUT_MS NAME... -- COMMAND [ARGUMENTS...]
 *
 * The command is left running. The windows are looked for anywhere in the
 * tree below the root (Wine's top-level windows are children of its desktop
 * window). Exit status: 0 all shown, 1 timed out or failed, 2 usage.
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static int ignore_errors(Display *d, XErrorEvent *e) {
    (void)d;
    (void)e;
    return 0;  /* windows come and go while the tree is read */
}

/* Marks in `shown` each name that a viewable window in the tree below w carries. */
static void scan(Display *d, Window w, int depth, char **names, int count, int *shown) {
    Window root, parent, *children = NULL;
    unsigned n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return;
    for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
        char *name = NULL;
        if (XFetchName(d, children[i], &name) && name) {
            for (int k = 0; k < count; ++k)
                if (strcmp(name, names[k]) == 0) shown[k] = 1;
            XFree(name);
        }
        if (depth < 3) scan(d, children[i], depth + 1, names, count, shown);
    }
    if (children) XFree(children);
}

/* True when a process's command line (arguments joined by blanks) begins with the pattern. */
static int process_running(const char *pattern) {
    DIR *proc = opendir("/proc");
    if (!proc) return 0;
    int found = 0;
    struct dirent *e;
    char path[300], line[4096];
    while (!found && (e = readdir(proc)) != NULL) {
        if (!isdigit((unsigned char)e->d_name[0])) continue;
        snprintf(path, sizeof path, "/proc/%s/cmdline", e->d_name);
        FILE *f = fopen(path, "rb");
        if (!f) continue;
        size_t n = fread(line, 1, sizeof line - 1, f);
        fclose(f);
        for (size_t i = 0; i < n; ++i)
            if (line[i] == '\0') line[i] = ' ';
        line[n] = '\0';
        found = strncmp(line, pattern, strlen(pattern)) == 0;
    }
    closedir(proc);
    return found;
}

int main(int argc, char **argv) {
    int sep = 0;
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], "--") == 0) { sep = i; break; }
    if (argc < 6 || sep < 4 || sep + 1 >= argc) {
        fprintf(stderr, "usage: xstartup PATTERN TIMEOUT_MS NAME... -- COMMAND [ARGUMENTS...]\n");
        return 2;
    }
    const char *pattern = argv[1];
    const long timeout = strtol(argv[2], NULL, 10);
    char **names = argv + 3;
    const int count = sep - 3;
    double process_start = -1;
    int *shown = calloc((size_t)count, sizeof *shown);
    Display *d = XOpenDisplay(NULL);
    if (!d || !shown) {
        fprintf(stderr, "xstartup: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    const double start = now_ms();
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        execvp(argv[sep + 1], argv + sep + 1);
        fprintf(stderr, "xstartup: cannot run %s: %s\n", argv[sep + 1], strerror(errno));
        _exit(127);
    }
    for (;;) {
        if (process_start < 0 && process_running(pattern)) process_start = now_ms();
        memset(shown, 0, (size_t)count * sizeof *shown);
        scan(d, DefaultRootWindow(d), 0, names, count, shown);
        int all = 1;
        for (int k = 0; k < count; ++k) all &= shown[k];
        const double elapsed = now_ms() - start;
        if (all) {
            printf("%.0f %.0f\n", elapsed, process_start < 0 ? -1.0 : now_ms() - process_start);
            return 0;
        }
        if (elapsed > timeout) {
            fprintf(stderr, "xstartup: not all windows shown within %ld ms\n", timeout);
            return 1;
        }
        struct timespec t = {0, 2000000L};
        nanosleep(&t, NULL);
    }
}
