/*
 * main.cpp: the plug-in's own start-up, which does no module work.
 *
 * Receives nothing and hands on nothing: the host loads the library and does all set-up through
 * module_entry function 0. The library's load and unload notifications are left to the runtime.
 */
int main() {
    return 0;
}
