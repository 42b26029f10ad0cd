// The built klvc program, for tests that run it. Every test source gets this
// through the tests' precompiled header. It declares nothing in namespace
// klvc: a klvc::testing seen everywhere would hide ::testing in test files.
#pragma once

// $KLVC_BINARY when set, else "klvc" beside the running test binary.
const char* klvc_test_binary();

#define KLVC_BINARY (::klvc_test_binary())
