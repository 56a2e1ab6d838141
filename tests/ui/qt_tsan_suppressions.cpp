// Qt is not built with the thread sanitizer, so the hand-overs inside Qt (its
// image and painting thread pool, its event queues) are invisible to it: what
// Qt's own code allocates, frees and copies is left unchecked. Our code stays
// checked everywhere, also where Qt calls it.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libqoffscreen.so\n";
}
