#pragma once

// Draws the whole mill. GLUT calls it whenever the window must be drawn; it
// draws on the camera that reshape() left on the model-view matrix and
// returns with that matrix, and the stack depth, as it found them.
void display();
