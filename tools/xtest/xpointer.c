/* Moves the X pointer and presses its buttons through the XTest extension:
 * the server treats these as real input, so they reach Wine the way a user's
 * mouse does (synthetic events and xdotool's warp do not, on Xvfb).
 *
 *   xpointer move X Y
 *   xpointer click X Y [BUTTON]       press and release (BUTTON 1 by default)
 *   xpointer dblclick X Y [BUTTON]    two clicks within the double-click time
 *   xpointer down X Y [BUTTON]        press only (for drags)
 *   xpointer up X Y [BUTTON]          release only
 *   xpointer where                    prints "X Y"
 *
 * Coordinates are root-window pixels. Exit status: 0 done, 1 failed, 2 usage.
 */
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static const char usage[] =
    "usage: xpointer move X Y | click X Y [BUTTON] | dblclick X Y [BUTTON]\n"
    "                | down X Y [BUTTON] | up X Y [BUTTON] | where\n";

static void pause_ms(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

/* A whole decimal number within [lo, hi], or exit 2. */
static int parse_int(const char *text, long lo, long hi, const char *what) {
    char *end = NULL;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
        fprintf(stderr, "xpointer: bad %s '%s'\n", what, text);
        exit(2);
    }
    return (int)v;
}

static void query(Display *d, int *x, int *y) {
    Window root, child;
    int wx, wy;
    unsigned mask;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, x, y, &wx, &wy, &mask);
}

static void move_to(Display *d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XSync(d, False);
    int px, py;
    query(d, &px, &py);
    if (px != x || py != y) {
        fprintf(stderr, "xpointer: pointer is at %d %d, not %d %d (off the screen?)\n", px, py, x, y);
        exit(1);
    }
    /* Let the window under the pointer see the motion before any button. */
    pause_ms(20);
}

static void button(Display *d, unsigned b, Bool press) {
    XTestFakeButtonEvent(d, b, press, CurrentTime);
    XSync(d, False);
}

static void click(Display *d, unsigned b) {
    button(d, b, True);
    pause_ms(30);
    button(d, b, False);
}

enum command { MOVE, CLICK, DBLCLICK, DOWN, UP, WHERE };

static const struct {
    const char *name;
    enum command cmd;
    int min_args, max_args; /* after the command word */
} commands[] = {
    {"move", MOVE, 2, 2},   {"click", CLICK, 2, 3}, {"dblclick", DBLCLICK, 2, 3},
    {"down", DOWN, 2, 3},   {"up", UP, 2, 3},       {"where", WHERE, 0, 0},
};

int main(int argc, char **argv) {
    int found = -1;
    for (size_t i = 0; argc >= 2 && i < sizeof commands / sizeof commands[0]; i++)
        if (strcmp(argv[1], commands[i].name) == 0)
            found = (int)i;
    if (found < 0 || argc - 2 < commands[found].min_args || argc - 2 > commands[found].max_args) {
        fputs(usage, stderr);
        return 2;
    }
    enum command cmd = commands[found].cmd;
    int x = 0, y = 0;
    unsigned b = 1;
    if (cmd != WHERE) {
        x = parse_int(argv[2], 0, SHRT_MAX, "X");
        y = parse_int(argv[3], 0, SHRT_MAX, "Y");
        if (argc == 5)
            b = (unsigned)parse_int(argv[4], 1, 9, "BUTTON");
    }

    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xpointer: cannot open display '%s'\n", XDisplayName(NULL));
        return 1;
    }
    int ev, er, major, minor;
    if (!XTestQueryExtension(d, &ev, &er, &major, &minor)) {
        fprintf(stderr, "xpointer: the X server has no XTest extension\n");
        XCloseDisplay(d);
        return 1;
    }

    switch (cmd) {
    case WHERE:
        query(d, &x, &y);
        printf("%d %d\n", x, y);
        break;
    case MOVE:
        move_to(d, x, y);
        break;
    case CLICK:
        move_to(d, x, y);
        click(d, b);
        break;
    case DBLCLICK:
        move_to(d, x, y);
        click(d, b);
        pause_ms(80);
        click(d, b);
        break;
    case DOWN:
        move_to(d, x, y);
        button(d, b, True);
        break;
    case UP:
        move_to(d, x, y);
        button(d, b, False);
        break;
    }
    XCloseDisplay(d);
    return 0;
}
