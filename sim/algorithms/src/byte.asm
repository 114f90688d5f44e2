; Byte routines, 32-bit entry table.
	WORD = 0
	BUFFER_SIZE = 512
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
