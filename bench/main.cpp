#include "ratio_report.h"

int main(int argc, char** argv) { return kbench::runWithRatios(argc, argv); }
