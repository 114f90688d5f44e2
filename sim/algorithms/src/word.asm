; Word routines, 16-bit entry table.
	WORD = 1
	BUFFER_SIZE = 512
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
