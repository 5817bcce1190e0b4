#pragma once

// The tissues of the shared piece skin. Each one owns a 32 x 32 cell of the
// 256 x 256 atlas (row-major, eight to a row) and nine palette entries.

enum Tissue {
    Ghost, Myocardium, Artery, Vein, Lung, Liver, Gallbladder, Stomach, Spleen, Pancreas, Kidney,
    Urinary, SmallBowel, LargeBowel, Bone, Cartilage, GreyMatter, Cerebellum, BrainStem, Sclera, Iris,
    Nerve, Pupil, Teeth, Muscle,
    TissueCount
};

struct TissueColour
{
    int r, g, b;
};

// Base colours: bright, because the game multiplies them by a mid grey and
// the light.
inline constexpr TissueColour tissueColours[TissueCount] = {
    {96, 132, 150},  {196, 62, 56},   {232, 52, 48},   {78, 104, 210},  {244, 166, 176}, {168, 70, 52},
    {104, 170, 82},  {240, 156, 132}, {146, 58, 98},   {246, 208, 142}, {178, 74, 62},   {246, 226, 168},
    {248, 182, 162}, {222, 164, 122}, {244, 236, 210}, {186, 216, 236}, {236, 190, 184}, {226, 170, 162},
    {240, 212, 190}, {250, 250, 246}, {70, 136, 206},  {250, 232, 150}, {30, 30, 40},    {252, 252, 240},
    {178, 64, 58},
};
