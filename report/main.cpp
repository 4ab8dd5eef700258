#include "report/report_main.h"

int main(int argc, char** argv) { return corvan_report_main(argc, argv); }
