/* Drops files onto the window under a point by the XDND protocol, as a Linux
 * file manager does: own XdndSelection, find the XdndAware window under the
 * point, XdndEnter (text/uri-list), XdndPosition (root coordinates,
 * XdndActionCopy), wait for XdndStatus, XdndDrop, hand out the URI list
 * (lines end in CR LF) on SelectionRequest, wait for XdndFinished.
 *
 *   xdrop [-v] [-t MILLISECONDS] X Y FILE_OR_URI...
 *
 * A FILE is made absolute and sent as a percent-encoded file:// URI; an
 * argument containing "://" is sent as it is. -v tells on stderr which
 * window took part and what it answered. Exit status: 0 dropped and
 * accepted, 3 the target refused the drop, 1 failed (no target, timeout,
 * X error), 2 usage.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define XDND_VERSION 5
#define MAX_URI_LIST (64 * 1024)

static const char usage[] = "usage: xdrop [-v] [-t MILLISECONDS] X Y FILE_OR_URI...\n";

static Display *dpy;
static Atom XdndAware, XdndProxy, XdndSelection, XdndTypeList, XdndEnter, XdndPosition,
    XdndStatus, XdndLeave, XdndDrop, XdndFinished, XdndActionCopy, UriList, Targets;

static char uri_list[MAX_URI_LIST];
static size_t uri_len;

static void die(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    fputs("xdrop: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    exit(1);
}

static int on_x_error(Display *d, XErrorEvent *e) {
    char text[256];
    XGetErrorText(d, e->error_code, text, sizeof text);
    die("X error: %s (request %d, resource 0x%lx)", text, e->request_code, e->resourceid);
    return 0;
}

static long now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

static int parse_int(const char *text, long lo, long hi, const char *what) {
    char *end = NULL;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
        fprintf(stderr, "xdrop: bad %s '%s'\n", what, text);
        exit(2);
    }
    return (int)v;
}

static void put(const char *text, size_t n) {
    if (uri_len + n > sizeof uri_list)
        die("the URI list is longer than %d bytes", MAX_URI_LIST);
    memcpy(uri_list + uri_len, text, n);
    uri_len += n;
}

/* Appends one line of the text/uri-list: a file:// URI with every byte
 * outside the unreserved set and '/' percent-encoded (UTF-8 names too). */
static void add_item(const char *arg) {
    if (strstr(arg, "://")) {
        put(arg, strlen(arg));
    } else {
        char path[PATH_MAX * 2];
        int n;
        char *real = realpath(arg, NULL);
        if (real) {
            n = snprintf(path, sizeof path, "%s", real);
            free(real);
        } else if (arg[0] == '/') {
            n = snprintf(path, sizeof path, "%s", arg);
        } else {
            /* A name that does not exist (yet) is sent all the same. */
            char cwd[PATH_MAX];
            if (!getcwd(cwd, sizeof cwd))
                die("cannot read the working directory");
            n = snprintf(path, sizeof path, "%s/%s", cwd, arg);
        }
        if (n < 0 || (size_t)n >= sizeof path)
            die("a path of %zu bytes is too long", strlen(arg));
        put("file://", 7);
        for (const unsigned char *p = (const unsigned char *)path; *p; p++) {
            if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
                strchr("-._~/", *p)) {
                put((const char *)p, 1);
            } else {
                char esc[4];
                snprintf(esc, sizeof esc, "%%%02X", *p);
                put(esc, 3);
            }
        }
    }
    put("\r\n", 2);
}

/* The XDND version a window announces, or 0 when it is not XdndAware. */
static long xdnd_version(Window w) {
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char *data = NULL;
    long version = 0;
    if (XGetWindowProperty(dpy, w, XdndAware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &rest, &data) == Success &&
        data && format == 32 && count == 1)
        version = (long)((unsigned long *)data)[0];
    if (data)
        XFree(data);
    return version;
}

/* The deepest XdndAware window under the root point (mapped windows only;
 * the server honours window shapes), or None. */
static Window aware_window_at(int x, int y, long *version) {
    Window root = DefaultRootWindow(dpy), w = root, child, found = None;
    int wx, wy;
    while (XTranslateCoordinates(dpy, root, w, x, y, &wx, &wy, &child) && child != None) {
        w = child;
        long v = xdnd_version(w);
        if (v > 0) {
            found = w;
            *version = v;
        }
    }
    return found;
}

/* Where messages for target go: its XdndProxy when that proxy names itself. */
static Window message_window(Window target) {
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char *data = NULL;
    Window proxy = target;
    if (XGetWindowProperty(dpy, target, XdndProxy, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &rest, &data) == Success &&
        data && format == 32 && count == 1)
        proxy = (Window)((unsigned long *)data)[0];
    if (data)
        XFree(data);
    return proxy;
}

static void send_message(Window to, Window target, Atom type, long l0, long l1, long l2, long l3,
                         long l4) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.display = dpy;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, to, False, NoEventMask, &e);
    XFlush(dpy);
}

/* Answers a request for the selection's contents: the URI list, or the
 * list of targets. */
static void answer_selection(const XSelectionRequestEvent *r) {
    XEvent n;
    memset(&n, 0, sizeof n);
    n.xselection.type = SelectionNotify;
    n.xselection.display = dpy;
    n.xselection.requestor = r->requestor;
    n.xselection.selection = r->selection;
    n.xselection.target = r->target;
    n.xselection.time = r->time;
    n.xselection.property = r->property != None ? r->property : r->target;
    if (r->selection != XdndSelection) {
        n.xselection.property = None;
    } else if (r->target == UriList) {
        XChangeProperty(dpy, r->requestor, n.xselection.property, UriList, 8, PropModeReplace,
                        (const unsigned char *)uri_list, (int)uri_len);
    } else if (r->target == Targets) {
        Atom targets[2] = {Targets, UriList};
        XChangeProperty(dpy, r->requestor, n.xselection.property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char *)targets, 2);
    } else {
        n.xselection.property = None;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, &n);
    XFlush(dpy);
}

/* Waits for the client message of the given type sent to source, serving
 * selection requests meanwhile. False on timeout. */
static int wait_for(Window source, Atom type, long deadline, XClientMessageEvent *out) {
    for (;;) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == SelectionRequest) {
                answer_selection(&e.xselectionrequest);
            } else if (e.type == ClientMessage && e.xclient.window == source &&
                       e.xclient.message_type == type) {
                *out = e.xclient;
                return 1;
            }
        }
        long left = deadline - now_ms();
        if (left <= 0)
            return 0;
        struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, (int)left);
    }
}

/* A server timestamp: the time of a property change on our own window. */
static Time server_time(Window w) {
    XSelectInput(dpy, w, PropertyChangeMask);
    XChangeProperty(dpy, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace, (const unsigned char *)"xdrop", 5);
    XEvent e;
    do
        XWindowEvent(dpy, w, PropertyChangeMask, &e);
    while (e.type != PropertyNotify);
    return e.xproperty.time;
}

int main(int argc, char **argv) {
    long timeout = 5000;
    int verbose = 0, arg = 1;
    for (;;) {
        if (arg + 1 < argc && strcmp(argv[arg], "-t") == 0) {
            timeout = parse_int(argv[arg + 1], 1, 600000, "timeout");
            arg += 2;
        } else if (arg < argc && strcmp(argv[arg], "-v") == 0) {
            verbose = 1;
            arg++;
        } else {
            break;
        }
    }
    if (argc - arg < 3) {
        fputs(usage, stderr);
        return 2;
    }
    int x = parse_int(argv[arg], 0, SHRT_MAX, "X");
    int y = parse_int(argv[arg + 1], 0, SHRT_MAX, "Y");
    for (int i = arg + 2; i < argc; i++)
        add_item(argv[i]);

    dpy = XOpenDisplay(NULL);
    if (!dpy)
        die("cannot open display '%s'", XDisplayName(NULL));
    XSetErrorHandler(on_x_error);
    XdndAware = XInternAtom(dpy, "XdndAware", False);
    XdndProxy = XInternAtom(dpy, "XdndProxy", False);
    XdndSelection = XInternAtom(dpy, "XdndSelection", False);
    XdndTypeList = XInternAtom(dpy, "XdndTypeList", False);
    XdndEnter = XInternAtom(dpy, "XdndEnter", False);
    XdndPosition = XInternAtom(dpy, "XdndPosition", False);
    XdndStatus = XInternAtom(dpy, "XdndStatus", False);
    XdndLeave = XInternAtom(dpy, "XdndLeave", False);
    XdndDrop = XInternAtom(dpy, "XdndDrop", False);
    XdndFinished = XInternAtom(dpy, "XdndFinished", False);
    XdndActionCopy = XInternAtom(dpy, "XdndActionCopy", False);
    UriList = XInternAtom(dpy, "text/uri-list", False);
    Targets = XInternAtom(dpy, "TARGETS", False);

    long version = 0;
    Window target = aware_window_at(x, y, &version);
    if (target == None)
        die("no XdndAware window at %d %d", x, y);
    if (version > XDND_VERSION)
        version = XDND_VERSION;
    Window to = message_window(target);
    if (verbose)
        fprintf(stderr, "xdrop: target 0x%lx (XDND %ld), messages to 0x%lx\n", target, version, to);

    Window source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, 0);
    Time t = server_time(source);
    XChangeProperty(dpy, source, XdndTypeList, XA_ATOM, 32, PropModeReplace,
                    (const unsigned char *)&UriList, 1);
    XSetSelectionOwner(dpy, XdndSelection, source, t);
    if (XGetSelectionOwner(dpy, XdndSelection) != source)
        die("cannot own XdndSelection");

    long deadline = now_ms() + timeout;
    send_message(to, target, XdndEnter, (long)source, version << 24, (long)UriList, 0, 0);
    send_message(to, target, XdndPosition, (long)source, 0, ((long)x << 16) | (y & 0xffff), (long)t,
                 (long)XdndActionCopy);

    XClientMessageEvent reply;
    if (!wait_for(source, XdndStatus, deadline, &reply))
        die("no XdndStatus from window 0x%lx within %ld ms", target, timeout);
    if (verbose)
        fprintf(stderr, "xdrop: status from 0x%lx: flags %ld, action %ld\n", (Window)reply.data.l[0],
                reply.data.l[1], reply.data.l[4]);
    if (!(reply.data.l[1] & 1)) {
        send_message(to, target, XdndLeave, (long)source, 0, 0, 0, 0);
        fprintf(stderr, "xdrop: window 0x%lx refused the drop\n", target);
        XCloseDisplay(dpy);
        return 3;
    }

    send_message(to, target, XdndDrop, (long)source, 0, (long)t, 0, 0);
    if (!wait_for(source, XdndFinished, deadline, &reply))
        die("no XdndFinished from window 0x%lx within %ld ms", target, timeout);
    if (verbose)
        fprintf(stderr, "xdrop: finished: flags %ld, action %ld\n", reply.data.l[1], reply.data.l[2]);
    /* Version 5 targets say in the finish whether they took the data. */
    if (version >= 5 && !(reply.data.l[1] & 1)) {
        fprintf(stderr, "xdrop: window 0x%lx did not accept the dropped data\n", target);
        XCloseDisplay(dpy);
        return 3;
    }
    XCloseDisplay(dpy);
    return 0;
}
