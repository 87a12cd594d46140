#pragma once
#define IDS_SHORT 101
#define IDS_LONG 102
