#include "app/ui/lock_keys.h"

#include <QGuiApplication>

// X11 headers define macros such as KeyPress and Success; they stay inside this file.
#ifdef KSZW_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace kszw {

LockKeyStates lockKeyStates()
{
    LockKeyStates states;
#ifdef KSZW_HAVE_X11
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        unsigned int indicators = 0;
        if (x11->display() && XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &indicators) == Success) {
            states.capsLock = indicators & 0x01;
            states.numLock = indicators & 0x02;
        }
    }
#endif
    return states;
}

} // namespace kszw
