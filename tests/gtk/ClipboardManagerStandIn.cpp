// A desktop's clipboard manager as the clipboard tests need one: it takes the
// CLIPBOARD_MANAGER selection, prints "ready", and then
//   silent  never answers anything;
//   save    answers SAVE_TARGETS as a manager does: copies the clipboard's
//           text, prints it on a line of its own, says it has it, and takes
//           the clipboard right after, answering for the text as UTF8_STRING.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace {

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

struct XFreeData {
    void operator()(unsigned char* data) const { XFree(data); }
};

// Copies the clipboard's text into property on window, then into text, and
// prints it; false when the clipboard gave none.
bool SaveClipboard(Display* display, Window window, Atom property, std::string& text) {
    XConvertSelection(display, XInternAtom(display, "CLIPBOARD", False),
                      XInternAtom(display, "UTF8_STRING", False), property, window, CurrentTime);
    XEvent reply{};
    do {
        XNextEvent(display, &reply);
    } while (reply.type != SelectionNotify);
    if (reply.xselection.property == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* raw = nullptr;
    XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, True, AnyPropertyType, &type,
                       &format, &count, &after, &raw);
    const std::unique_ptr<unsigned char, XFreeData> data(raw);
    text.assign(reinterpret_cast<const char*>(data.get()), count);
    std::fwrite(data.get(), 1, count, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    const std::unique_ptr<Display, CloseDisplay> display(XOpenDisplay(nullptr));
    if (!display || (mode != "silent" && mode != "save")) {
        std::fputs("usage: ClipboardManagerStandIn silent|save, with a display\n", stderr);
        return 2;
    }
    Display* d = display.get();
    const Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom manager = XInternAtom(d, "CLIPBOARD_MANAGER", False);
    XSetSelectionOwner(d, manager, window, CurrentTime);
    if (XGetSelectionOwner(d, manager) != window) {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    if (mode == "silent") {
        for (;;) {
            pause();
        }
    }

    const Atom saveTargets = XInternAtom(d, "SAVE_TARGETS", False);
    const Atom saved = XInternAtom(d, "STAND_IN_SAVED", False);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    std::string text;
    for (;;) {
        XEvent event{};
        XNextEvent(d, &event);
        if (event.type != SelectionRequest) {
            continue;
        }
        const XSelectionRequestEvent& request = event.xselectionrequest;
        XEvent answer{};
        answer.xselection.type = SelectionNotify;
        answer.xselection.requestor = request.requestor;
        answer.xselection.selection = request.selection;
        answer.xselection.target = request.target;
        answer.xselection.time = request.time;
        answer.xselection.property = None;  // refused
        const Atom property = request.property != None ? request.property : request.target;
        const bool save = request.selection == manager && request.target == saveTargets;
        if (save && SaveClipboard(d, window, saved, text)) {
            answer.xselection.property = property;
        } else if (request.selection == clipboard && request.target == utf8) {
            XChangeProperty(d, request.requestor, property, utf8, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
            answer.xselection.property = property;
        }
        XSendEvent(d, request.requestor, False, NoEventMask, &answer);
        if (answer.xselection.property != None && save) {
            XSetSelectionOwner(d, clipboard, window, CurrentTime);
        }
        XFlush(d);
    }
}
