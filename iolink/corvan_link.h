/* The controller's side of the exchange, for programs written in C (or in any
 * language that calls C, such as Python through ctypes). A thin layer over
 * IOsharemem_client: the same turns, the same signal names, but nothing here
 * ends the process; every failure is a return value. */
#ifndef CORVAN_LINK_H
#define CORVAN_LINK_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct corvan_link corvan_link;

/* The identifier that follows "-automemlink" in argv[1..argc-1]; when the
 * option is given more than once the last one counts (the simulator appends
 * its own at the end). -1 when there is none, or when its value is not made
 * of decimal digits only, is 0, or does not fit in an int. */
int corvan_automemlink(int argc, char** argv);

/* Attaches to the exchange area named by "-automemlink". NULL, after one
 * line on stderr, when the option is missing or the area cannot be used
 * (missing, too small, or another user's). One link at a time in a process:
 * a second open before corvan_link_close is refused with NULL and errno set
 * to EBUSY, since it would restart the area's count of finished cycles. */
corvan_link* corvan_link_open(int argc, char** argv);

/* Copies the inputs of the latest turn: 1 when a new turn was copied, 0 when
 * nothing new was published (after a 10 ms pause), -1 once the exchange has
 * ended or the simulator has died (and for a NULL link). */
int corvan_link_receive(corvan_link* link);

/* The simulator's turn counter (5 ms a turn) of the last copy: 0 before the
 * first, then growing by one a turn. -1 for a NULL link. */
int corvan_link_turn(const corvan_link* link);

/* An input's value in the last copy (0 or 1); -1 for a name that is not an
 * input, a NULL name or a NULL link. */
int corvan_link_input(const corvan_link* link, const char* name);

/* Writes an output at once (it is on when value is 1) and returns 0; -1,
 * changing nothing, for a name that is not an output, a NULL name or a NULL
 * link. */
int corvan_link_set_output(corvan_link* link, const char* name, int value);

/* Counts one finished cycle of output writes. */
void corvan_link_refresh(corvan_link* link);

/* Detaches from the area and frees the link; NULL is accepted. */
void corvan_link_close(corvan_link* link);

/* The signal table, to check a program's names at its start: the index of a
 * signal (0 to 22 for the inputs, 23 to 36 for the outputs, as in the
 * signal reference), or -1 for an unknown or NULL name. Names are case
 * sensitive: inputs are lower case, outputs upper case. */
int corvan_link_signal_index(const char* name);

/* The name of the signal at that index, or NULL outside 0 to 36. */
const char* corvan_link_signal_name(int index);

#ifdef __cplusplus
}
#endif

#endif
