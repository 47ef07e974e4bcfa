// Placeholder until the application object exists: starts and ends at once.
int RipwellMain(int, char**) { return 0; }
