#pragma once

// Sets the GL state that never changes once the window exists.
void init();

// GLUT's reshape callback: the viewport, the projection and the camera for a
// window of the given size.
void reshape(int width, int height);
