// Placeholder until the kernel is written.
