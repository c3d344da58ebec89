/* Small X11 probes for the Qtractor test.
 *   xprobe popups   ids of the viewable override-redirect top-level windows
 *   xprobe grab     "free", or who holds the pointer or keyboard: "pointer",
 *                   "keyboard" (exit status 1 when either is grabbed)
 *   xprobe frame W  the deepest first child below window W (the plug-in's
 *                   own window inside the host's editor window) */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int popups (Display* d)
{
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    if (! XQueryTree (d, DefaultRootWindow (d), &root, &parent, &children, &n))
        return 2;
    for (unsigned int i = 0; i < n; ++i)
    {
        XWindowAttributes a;
        if (XGetWindowAttributes (d, children[i], &a) && a.override_redirect && a.map_state == IsViewable &&
            a.width > 8 && a.height > 8)
            printf ("0x%lx %dx%d+%d+%d\n", children[i], a.width, a.height, a.x, a.y);
    }
    if (children)
        XFree (children);
    return 0;
}

static int grab (Display* d)
{
    Window root = DefaultRootWindow (d);
    int busy = 0;
    int p = XGrabPointer (d, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (p == GrabSuccess)
        XUngrabPointer (d, CurrentTime);
    else
    {
        printf ("pointer\n");
        busy = 1;
    }
    int k = XGrabKeyboard (d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (k == GrabSuccess)
        XUngrabKeyboard (d, CurrentTime);
    else
    {
        printf ("keyboard\n");
        busy = 1;
    }
    XSync (d, False);
    if (! busy)
        printf ("free\n");
    return busy;
}

static int frame (Display* d, Window w)
{
    for (;;)
    {
        Window root, parent, *children = NULL;
        unsigned int n = 0;
        if (! XQueryTree (d, w, &root, &parent, &children, &n))
            return 2;
        if (n == 0)
        {
            printf ("0x%lx\n", w);
            return 0;
        }
        w = children[0];
        XFree (children);
    }
}

int main (int argc, char** argv)
{
    Display* d = XOpenDisplay (NULL);
    if (d == NULL)
    {
        fprintf (stderr, "xprobe: no display\n");
        return 2;
    }
    int rc = 2;
    if (argc == 2 && strcmp (argv[1], "popups") == 0)
        rc = popups (d);
    else if (argc == 2 && strcmp (argv[1], "grab") == 0)
        rc = grab (d);
    else if (argc == 3 && strcmp (argv[1], "frame") == 0)
        rc = frame (d, (Window)strtoul (argv[2], NULL, 0));
    else
        fprintf (stderr, "usage: xprobe popups | grab | frame WINDOW\n");
    XCloseDisplay (d);
    return rc;
}
