// What the sanitizers must not report, for every test program and for the
// hosts that start the display backend.

// The leak checker's hook: fontconfig, started by the display tests through
// Qt, keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The race detector's hook: Qt's own worker threads (the file dialog's
// directory listing) synchronise through code built without the detector,
// so it reports races that are none. Our threads never share data with them.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n";
}
