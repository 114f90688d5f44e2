; Byte routines with a 256-byte RAM data buffer.
	WORD = 0
	BUFFER_SIZE = 256
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
