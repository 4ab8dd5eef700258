#include "app/corvan_main.h"

int main(int argc, char** argv) { return corvan_main(argc, argv); }
