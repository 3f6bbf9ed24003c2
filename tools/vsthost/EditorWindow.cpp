#include "EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>

#include <cstdio>

namespace
{
// Without a window manager some atoms a toolkit asks about are missing; Xlib's default handler
// would end the host on the first harmless error.
int logXError (Display*, XErrorEvent* event)
{
    std::fprintf (stderr, "X error %d ignored\n", (int) event->error_code);
    return 0;
}
} // namespace

bool runEditorWindow (VstHost& host, std::string& error)
{
    EditorRect* rect = nullptr;
    if ((host.getEffect()->flags & EffectFlag::HasEditor) == 0
        || host.dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect) == 0 || rect == nullptr)
    {
        error = "the plug-in has no window";
        return false;
    }

    Display* display = XOpenDisplay (nullptr);
    if (display == nullptr)
    {
        error = "no X display";
        return false;
    }

    XSetErrorHandler (&logXError);
    const unsigned width = (unsigned) (rect->right - rect->left), height = (unsigned) (rect->bottom - rect->top);
    const Window window = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, width, height, 0, 0, 0);
    XStoreName (display, window, host.getText (EffectOpcode::GetEffectName).c_str());
    Atom closeRequest = XInternAtom (display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols (display, window, &closeRequest, 1);
    XMapWindow (display, window);
    XSync (display, False);

    host.takeReports();
    host.dispatch (EffectOpcode::EditorOpen, 0, 0, reinterpret_cast<void*> (window));

    for (bool open = true; open;)
    {
        while (XPending (display) > 0)
        {
            XEvent event;
            XNextEvent (display, &event);
            if (event.type == ClientMessage && (Atom) event.xclient.data.l[0] == closeRequest)
                open = false;
        }

        for (const auto& report : host.takeReports())
            if (report.kind == VstHost::Report::SizeWindow)
                XResizeWindow (display, window, (unsigned) report.index, (unsigned) report.extra);

        host.dispatch (EffectOpcode::EditorIdle);

        // Until the next X event, or the next idle call 20 ms on.
        pollfd connection { ConnectionNumber (display), POLLIN, 0 };
        poll (&connection, 1, 20);
    }

    host.dispatch (EffectOpcode::EditorClose);
    XDestroyWindow (display, window);
    XCloseDisplay (display);
    return true;
}
