// Holds the precompiled header the tests without Qt share; it has no tests of its own.
