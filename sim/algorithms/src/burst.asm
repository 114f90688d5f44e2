; Production routines: burst programming from a RAM data buffer as large as a program block.
	WORD = 0
	BUFFER_SIZE = 1536
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 1
	.include "routines.inc"
