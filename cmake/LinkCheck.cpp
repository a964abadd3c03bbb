// The body of the per-layer link checks: the whole layer is linked in beside this; it is
// never run.
int main() { return 0; }
