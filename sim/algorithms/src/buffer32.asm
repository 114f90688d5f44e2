; Byte routines with a RAM data buffer smaller than one S-record line.
	WORD = 0
	BUFFER_SIZE = 32
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
