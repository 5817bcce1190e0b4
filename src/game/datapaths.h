#pragma once

// Where the game's data lies, relative to the data directory (the game's
// working directory). The game, the generator and the author tools take
// these from here.
namespace datapath {
// Every file here matching setFilter is a puzzle set.
inline constexpr char sets[] = "sets";
inline constexpr char setFilter[] = "*.xml";
// A set's "icon" and "filename" texts are relative to this; the game puts
// it in front of them as it stands.
inline constexpr char setPrefix[] = "sets/";
// The models of the sets ("filename" texts start with "bodyparts/").
inline constexpr char bodyparts[] = "sets/bodyparts";
// The one skin every piece wears, whatever its model.
inline constexpr char skin[] = "sets/bodyparts/tris4.pcx";
} // namespace datapath
