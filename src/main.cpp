// Ripwell's entry point. The program itself is assembled by the application object.
int RipwellMain(int argc, char** argv);

int main(int argc, char** argv) { return RipwellMain(argc, argv); }
