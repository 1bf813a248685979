// Test data under tests/data and golden files: a golden file holds the exact
// bytes a test expects. Run a test with QM_UPDATE_GOLDEN=1 to write the
// golden files anew (then review them before committing).
#pragma once

#include <gtest/gtest.h>

#include <string>

// The bytes of tests/data/<relativePath>; empty when the file is missing.
std::string ReadTestData(const std::string& relativePath);
std::string TestDataPath(const std::string& relativePath);

::testing::AssertionResult MatchesGolden(const std::string& actual, const std::string& relativePath);
