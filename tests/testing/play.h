#pragma once

class GameEngine;
class GLEngine;

// Takes the piece gliding along the trough as a player would, pressing along it where the pick pass
// sees it until one is in the hand. False when none was taken within half a minute.
bool takeTroughPiece(GLEngine *view, GameEngine *engine);
// Carries the held piece over its target on the carrying plane and lets go.
void dropOnTarget(GLEngine *view, GameEngine *engine);
