#pragma once

// Makes every Qt warning, critical or fatal message that the running test did not announce
// with QTest::ignoreMessage fail that test. Call it from initTestCase(): it must be installed
// after QTest's own message handler, which it wraps.
void failOnUnexpectedWarnings();
