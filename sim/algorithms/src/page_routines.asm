; Byte routines with page-select and page-restore routines.
	WORD = 0
	BUFFER_SIZE = 512
	ENABLE_FAILS = 0
	PAGED = 0
	PAGE_ROUTINES = 1
	BURST = 0
	.include "routines.inc"
