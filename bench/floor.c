/* The floor: a process that starts and ends, linked as the programs are. */
int main(void) { return 0; }
