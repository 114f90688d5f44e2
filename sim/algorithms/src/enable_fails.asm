; Byte routines whose module enable fails.
	WORD = 0
	BUFFER_SIZE = 512
	ENABLE_FAILS = 1
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
