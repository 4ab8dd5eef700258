#include "runner/run_main.h"

int main(int argc, char** argv) { return corvan_run_main(argc, argv); }
