// A stand-in of the host's support library under its own name, for a
// folder given with --library-dir.
extern "C" int supportFirst() { return 1; }
