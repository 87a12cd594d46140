#pragma once

#define IDD_CONNECT 205
#define IDC_CONNECT_LABEL 229
