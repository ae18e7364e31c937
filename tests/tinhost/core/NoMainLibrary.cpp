// A loadable library that exports no `main` (the plug-in loader must refuse it).
extern "C" int tinhost_test_not_an_entry_point() { return 7; }
