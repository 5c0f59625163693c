#pragma once
// Fuzz targets that format dates run in one fixed zone, whatever the machine's.

#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  return 0;
}
