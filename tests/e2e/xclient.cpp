// The X client the end-to-end runs drive a window with where xdotool has no
// command: a file drop through the XDND protocol as a file manager makes it,
// the window manager's close message, windows found by UTF-8 title or by the
// window they are transient for, and one pixel of a window.
//
//   e2e_xclient drop WINDOW X Y FILE...   drops the files at (X, Y) of WINDOW
//   e2e_xclient close WINDOW              sends WM_DELETE_WINDOW
//   e2e_xclient find-name TITLE           top-level windows titled TITLE
//   e2e_xclient find-transient WINDOW     top-level windows transient for WINDOW
//   e2e_xclient pixel WINDOW X Y          the pixel as RRGGBB
//   e2e_xclient keymap TEXT               gives each character of the UTF-8
//                                         TEXT a key of its own
//
// Windows are numbers (decimal as xdotool prints them, or 0x hex) or "root"
// for the screen's root window. Found
// windows are printed one a line, in decimal. Exit status 0, 1 on failure (a
// line on standard error says why), 2 for a bad command line.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr long xdnd_version = 5;
constexpr int wait_ms = 10000;  // per step of a drop: the target pumps once a frame

// The first X error since the last check (a vanished or unknown window).
int x_error = 0;
char x_error_text[128];

int on_x_error(Display* display, XErrorEvent* e)
{
    if (!x_error) {
        x_error = e->error_code;
        XGetErrorText(display, e->error_code, x_error_text, sizeof x_error_text);
    }
    return 0;
}

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "e2e_xclient: %s\n", why.c_str());
    std::exit(1);
}

[[noreturn]] void usage()
{
    std::fputs("usage: e2e_xclient drop WINDOW X Y FILE... | close WINDOW | find-name TITLE |"
               " find-transient WINDOW | pixel WINDOW X Y | keymap TEXT\n",
               stderr);
    std::exit(2);
}

// Fails on an X error since the last check.
void check_x(Display* display, const char* doing)
{
    XSync(display, False);
    if (x_error) fail(std::string(doing) + ": " + x_error_text);
}

bool parse_number(const char* text, long& out)
{
    errno = 0;
    char* end = nullptr;
    out = std::strtol(text, &end, 0);
    return errno == 0 && end != text && *end == '\0';
}

Window parse_window(Display* display, const char* text)
{
    if (std::strcmp(text, "root") == 0) return DefaultRootWindow(display);
    long id = 0;
    if (!parse_number(text, id) || id <= 0) usage();
    return static_cast<Window>(id);
}

int parse_coordinate(const char* text)
{
    long v = 0;
    if (!parse_number(text, v) || v < -32768 || v > 32767) usage();
    return static_cast<int>(v);
}

// A property of 32-bit items (atoms, windows, cardinals); empty when absent
// or of another type.
std::vector<unsigned long> long_property(Display* display, Window w, Atom property, Atom type)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(display, w, property, 0, 1024, False, type, &actual, &format, &count, &after, &data) ==
            Success &&
        actual == type && format == 32) {
        const unsigned long* items = reinterpret_cast<const unsigned long*>(data);
        out.assign(items, items + count);
    }
    if (data) XFree(data);
    return out;
}

// A property of bytes; false when absent or of another type.
bool byte_property(Display* display, Window w, Atom property, Atom type, std::string& out)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = XGetWindowProperty(display, w, property, 0, 65536, False, type, &actual, &format, &count, &after,
                                    &data) == Success &&
                 actual == type && format == 8;
    if (found) out.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    return found;
}

// The server's time now: the stamp of a property change on our own window
// (CurrentTime is refused by careful selection owners).
Time server_time(Display* display, Window own)
{
    Atom stamp = XInternAtom(display, "_E2E_XCLIENT_TIME", False);
    unsigned char none = 0;
    XChangeProperty(display, own, stamp, XA_STRING, 8, PropModeAppend, &none, 0);
    XEvent e;
    XWindowEvent(display, own, PropertyChangeMask, &e);
    return e.xproperty.time;
}

// Waits up to the bound for an event on our windows that pick() takes.
template <class Pick>
bool wait_event(Display* display, Pick pick)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (pick(e)) return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{ConnectionNumber(display), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }
}

void send_client_message(Display* display, Window to, Window about, Atom type, long l0, long l1, long l2, long l3,
                         long l4)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.display = display;
    e.xclient.window = about;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(display, to, False, NoEventMask, &e);
}

// ---- drop ----

// A file URI as file managers write them: the path's bytes with everything
// but unreserved characters and '/' percent-encoded, so spaces, '%', line
// ends and bytes that are not UTF-8 all travel exactly.
std::string file_uri(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

// The text/uri-list of the files: absolute paths (a relative one is taken
// from the current folder, its bytes kept), each line ended by CR LF.
std::string uri_list(char** files, int count)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        std::string path = files[i];
        if (path.empty()) fail("an empty file name");
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0) fail("no such file: " + path);
        if (path[0] != '/') {
            std::vector<char> cwd(4096);
            if (!::getcwd(cwd.data(), cwd.size())) fail("the current folder cannot be read");
            path = std::string(cwd.data()) + "/" + path;
        }
        list += file_uri(path) + "\r\n";
    }
    return list;
}

struct drop_atoms {
    Atom aware, proxy, selection, enter, position, status, leave, drop, finished, action_copy, type_list, uri_list,
        targets;
    explicit drop_atoms(Display* d)
        : aware(XInternAtom(d, "XdndAware", False)), proxy(XInternAtom(d, "XdndProxy", False)),
          selection(XInternAtom(d, "XdndSelection", False)), enter(XInternAtom(d, "XdndEnter", False)),
          position(XInternAtom(d, "XdndPosition", False)), status(XInternAtom(d, "XdndStatus", False)),
          leave(XInternAtom(d, "XdndLeave", False)), drop(XInternAtom(d, "XdndDrop", False)),
          finished(XInternAtom(d, "XdndFinished", False)), action_copy(XInternAtom(d, "XdndActionCopy", False)),
          type_list(XInternAtom(d, "XdndTypeList", False)), uri_list(XInternAtom(d, "text/uri-list", False)),
          targets(XInternAtom(d, "TARGETS", False))
    {
    }
};

// Answers a request for the selection: the list as text/uri-list, or the
// targets on offer; anything else refused.
void answer_request(Display* display, const drop_atoms& a, const XSelectionRequestEvent& r, const std::string& list)
{
    const Atom property = r.property != None ? r.property : r.target;
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = r.requestor;
    reply.xselection.selection = r.selection;
    reply.xselection.target = r.target;
    reply.xselection.time = r.time;
    reply.xselection.property = property;
    if (r.target == a.uri_list) {
        XChangeProperty(display, r.requestor, property, a.uri_list, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
    } else if (r.target == a.targets) {
        const Atom offered[] = {a.targets, a.uri_list};
        XChangeProperty(display, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 2);
    } else {
        reply.xselection.property = None;
    }
    XSendEvent(display, r.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

int drop(Display* display, Window target, int x, int y, char** files, int count)
{
    const drop_atoms a(display);
    const std::string list = uri_list(files, count);
    long request_limit = XExtendedMaxRequestSize(display);
    if (request_limit == 0) request_limit = XMaxRequestSize(display);
    if (static_cast<long>(list.size()) > request_limit * 4 - 1024) fail("too many names for one transfer");

    // the window that takes the messages: the target, or the proxy it names
    // when the proxy names itself as well
    Window messages_to = target;
    const std::vector<unsigned long> proxy = long_property(display, target, a.proxy, XA_WINDOW);
    if (!proxy.empty()) {
        const std::vector<unsigned long> self = long_property(display, proxy[0], a.proxy, XA_WINDOW);
        if (!self.empty() && self[0] == proxy[0]) messages_to = proxy[0];
    }
    const std::vector<unsigned long> aware = long_property(display, messages_to, a.aware, XA_ATOM);
    check_x(display, "the window cannot be read");
    if (aware.empty()) fail("the window takes no drops (no XdndAware)");
    const long version = static_cast<long>(aware[0]) < xdnd_version ? static_cast<long>(aware[0]) : xdnd_version;
    if (version < 3) fail("the window speaks XDND version " + std::to_string(aware[0]) + ", below 3");

    const Window root = DefaultRootWindow(display);
    int root_x = 0, root_y = 0;
    Window child = None;
    XTranslateCoordinates(display, target, root, x, y, &root_x, &root_y, &child);
    check_x(display, "the window's position cannot be read");

    // the source: an unmapped window of ours that owns XdndSelection
    const Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, source, PropertyChangeMask);
    const Atom offered[] = {a.uri_list};
    XChangeProperty(display, source, a.type_list, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(offered), 1);
    const Time time = server_time(display, source);
    XSetSelectionOwner(display, a.selection, source, time);
    if (XGetSelectionOwner(display, a.selection) != source) fail("XdndSelection cannot be taken");

    // the pointer goes where a dragging hand would have it
    XWarpPointer(display, None, root, 0, 0, 0, 0, root_x, root_y);
    send_client_message(display, messages_to, target, a.enter, static_cast<long>(source), version << 24,
                        static_cast<long>(a.uri_list), 0, 0);
    send_client_message(display, messages_to, target, a.position, static_cast<long>(source), 0,
                        static_cast<long>(root_x) << 16 | (root_y & 0xFFFF), static_cast<long>(time),
                        static_cast<long>(a.action_copy));
    check_x(display, "the window vanished");

    bool accepted = false;
    const bool answered = wait_event(display, [&](const XEvent& e) {
        if (e.type != ClientMessage || e.xclient.message_type != a.status) return false;
        accepted = e.xclient.data.l[1] & 1;
        return true;
    });
    if (!answered || !accepted) {
        send_client_message(display, messages_to, target, a.leave, static_cast<long>(source), 0, 0, 0, 0);
        XSync(display, False);
        fail(answered ? "the window refused the drop" : "no XdndStatus from the window");
    }
    send_client_message(display, messages_to, target, a.drop, static_cast<long>(source), 0, static_cast<long>(time), 0,
                        0);
    XFlush(display);

    bool finished = false, success = false, requested = false;
    const bool done = wait_event(display, [&](const XEvent& e) {
        if (e.type == SelectionRequest && e.xselectionrequest.selection == a.selection) {
            answer_request(display, a, e.xselectionrequest, list);
            requested = requested || e.xselectionrequest.target == a.uri_list;
        } else if (e.type == ClientMessage && e.xclient.message_type == a.finished) {
            finished = true;
            // before version 5 the flag is not sent: finishing means taken
            success = version < 5 || (e.xclient.data.l[1] & 1);
        }
        return finished;
    });
    if (!done) fail(requested ? "no XdndFinished after the names were sent" : "the window never asked for the names");
    if (!success) fail("the window did not take the drop");
    XDestroyWindow(display, source);
    check_x(display, "the drop");
    return 0;
}

// ---- close, find, pixel ----

int close_window(Display* display, Window target)
{
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* list = nullptr;
    int count = 0;
    bool takes = false;
    if (XGetWMProtocols(display, target, &list, &count)) {
        for (int i = 0; i < count; ++i) takes = takes || list[i] == delete_window;
        XFree(list);
    }
    check_x(display, "the window cannot be read");
    if (!takes) fail("the window does not take WM_DELETE_WINDOW");
    send_client_message(display, target, target, protocols, static_cast<long>(delete_window), CurrentTime, 0, 0, 0);
    check_x(display, "the close message");
    return 0;
}

std::vector<Window> top_level_windows(Display* display)
{
    Window root = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        out.assign(children, children + count);
        if (children) XFree(children);
    }
    return out;
}

// Exit status 0 when one window or more was printed, as xdotool search does.
int print_found(const std::vector<Window>& found)
{
    for (Window w : found) std::printf("%lu\n", static_cast<unsigned long>(w));
    return found.empty() ? 1 : 0;
}

// The title as _NET_WM_NAME holds it in UTF-8, else WM_NAME's bytes.
int find_name(Display* display, const std::string& title)
{
    const Atom net_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::vector<Window> found;
    for (Window w : top_level_windows(display)) {
        std::string name;
        if (!byte_property(display, w, net_name, utf8, name)) byte_property(display, w, XA_WM_NAME, XA_STRING, name);
        if (name == title) found.push_back(w);
    }
    XSync(display, False);  // windows that went meanwhile are simply not found
    return print_found(found);
}

int find_transient(Display* display, Window owner)
{
    std::vector<Window> found;
    for (Window w : top_level_windows(display)) {
        Window for_window = None;
        if (XGetTransientForHint(display, w, &for_window) && for_window == owner) found.push_back(w);
    }
    XSync(display, False);
    return print_found(found);
}

int pixel(Display* display, Window w, int x, int y)
{
    XWindowAttributes at;
    const Status read = XGetWindowAttributes(display, w, &at);
    check_x(display, "the window cannot be read");
    if (!read) fail("the window cannot be read");
    if (x < 0 || y < 0 || x >= at.width || y >= at.height) fail("the point lies outside the window");
    if (at.map_state != IsViewable) fail("the window is not shown");
    XImage* image = XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap);
    check_x(display, "the window's pixels cannot be read");
    if (!image) fail("the window's pixels cannot be read");
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    // the true-colour visual of the server: the masks place the channels
    auto channel = [&](unsigned long mask) {
        if (mask == 0) return 0UL;
        unsigned long v = p & mask;
        while (!(mask & 1)) {
            mask >>= 1;
            v >>= 1;
        }
        return mask == 0xFF ? v : v * 255 / mask;
    };
    std::printf("%02lX%02lX%02lX\n", channel(at.visual->red_mask), channel(at.visual->green_mask),
                channel(at.visual->blue_mask));
    return 0;
}

// ---- keymap ----

// The code points of UTF-8 text; false on a malformed sequence.
bool code_points(const std::string& text, std::vector<unsigned long>& out)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) return false;
        unsigned long cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = cp << 6 | (t & 0x3F);
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return true;
}

// xdotool types a character the keymap lacks by binding it to a spare key
// for the moment of the press, and a client that reads the keymap after the
// binding is undone sees no character. Bound here for the server's life,
// each character types as a key of the map.
int keymap(Display* display, const std::string& text)
{
    std::vector<unsigned long> points;
    if (!code_points(text, points)) fail("the text is not UTF-8");
    int min_code = 0, max_code = 0, per_code = 0;
    XDisplayKeycodes(display, &min_code, &max_code);
    for (unsigned long cp : points) {
        if (cp < 0x20 || cp == 0x7F) continue;  // control characters are keys xdotool names itself
        const KeySym sym = cp < 0x100 ? cp : 0x01000000 | cp;
        if (XKeysymToKeycode(display, sym) != 0) continue;
        KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(min_code), max_code - min_code + 1, &per_code);
        int spare = 0;
        for (int code = max_code; code >= min_code && !spare; --code) {
            bool empty = true;
            for (int k = 0; k < per_code; ++k) empty = empty && map[(code - min_code) * per_code + k] == NoSymbol;
            if (empty) spare = code;
        }
        XFree(map);
        if (!spare) fail("no spare key left for the text's characters");
        std::vector<KeySym> syms(static_cast<std::size_t>(per_code), NoSymbol);
        syms[0] = sym;
        if (per_code > 1) syms[1] = sym;
        XChangeKeyboardMapping(display, spare, per_code, syms.data(), 1);
        check_x(display, "the keymap cannot be changed");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) usage();
    const std::string command = argv[1];
    const bool known = (command == "drop" && argc >= 6) || (command == "close" && argc == 3) ||
                       (command == "find-name" && argc == 3) || (command == "find-transient" && argc == 3) ||
                       (command == "pixel" && argc == 5) || (command == "keymap" && argc == 3);
    if (!known) usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) fail("no X display (is DISPLAY set?)");
    XSetErrorHandler(on_x_error);
    int status = 1;
    if (command == "drop")
        status = drop(display, parse_window(display, argv[2]), parse_coordinate(argv[3]), parse_coordinate(argv[4]), argv + 5,
                      argc - 5);
    else if (command == "close")
        status = close_window(display, parse_window(display, argv[2]));
    else if (command == "find-name")
        status = find_name(display, argv[2]);
    else if (command == "find-transient")
        status = find_transient(display, parse_window(display, argv[2]));
    else if (command == "keymap")
        status = keymap(display, argv[2]);
    else
        status = pixel(display, parse_window(display, argv[2]), parse_coordinate(argv[3]), parse_coordinate(argv[4]));
    XCloseDisplay(display);
    return status;
}
