// Leak-checker settings of the front end's test program. Fontconfig keeps its
// caches until the process ends and Qt never releases them; those blocks are
// not ours to free, so the leak checker is told to ignore them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n"
         "leak:libfreetype\n";
}
