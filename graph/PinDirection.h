#pragma once
// Which way a pin carries data: shared by the graph's pins and our filters'.

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
