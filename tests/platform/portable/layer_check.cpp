// Linked with one layer of the portable platform, whole, and only the layers
// it may use: a call into a layer above it leaves a symbol undefined, and
// the link fails.
int main() { return 0; }
