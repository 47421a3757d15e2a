// Placeholder until the host program is written.
int main() { return 64; }
