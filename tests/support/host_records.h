// The behaviour tests set up host records through the one host harness.
#pragma once
#include "driver/host_harness.h"
