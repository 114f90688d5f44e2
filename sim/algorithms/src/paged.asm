; Byte routines for the module that goes on in page 1 of the paging window.
	WORD = 0
	BUFFER_SIZE = 512
	ENABLE_FAILS = 0
	PAGED = 1
	PAGE_ROUTINES = 0
	BURST = 0
	.include "routines.inc"
