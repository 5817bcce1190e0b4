#pragma once

// The view draws with fixed-function OpenGL (display lists, selection mode,
// GLU), so every context must be a compatibility-profile one. Call this
// before the application object is created.
void useCompatibilityGlFormat();
