// What every test file includes: the test framework, the standard headers the tests share, the
// library's public header, and the shared set-ups and readers of tests/support.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "nameobject.h"
#include "support/Capture.h"
#include "support/Fixtures.h"
#include "support/NotifyRecorder.h"
#include "support/Query.h"
#include "support/TestInstallation.h"
#include "support/TrackedObjects.h"
