/* Placeholder until the module door is written. */
int main() { return 0; }
