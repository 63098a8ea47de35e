// Carries the precompiled Qt header that every window library reuses.
