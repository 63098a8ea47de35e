// Carries the precompiled GoogleTest header that every test program reuses.
