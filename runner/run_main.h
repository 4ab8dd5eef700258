// corvan-run: the workstation run by a scenario instead of a person, with a
// verdict at the end. Exit status 0 when every expectation holds, 1 when one
// does not, 2 for a usage or scenario mistake or a run that could not be made.
#pragma once

int corvan_run_main(int argc, char** argv);
