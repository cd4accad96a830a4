#pragma once
// SetUp.exe carries the per-user program as this resource (RT_RCDATA) and writes it beside
// each installation. Plain #define: the resource compiler reads it too.
#define IDR_PERUSER_PROGRAM 201
