// A server library of another version of mentrenq, for the test that the
// program refuses it before calling into it.
extern "C" __attribute__((visibility("default"))) const char* mentrenq_serve_version() { return "0.9.0"; }

extern "C" __attribute__((visibility("default"))) int mentrenq_serve_v1(const void*) { return 99; }
