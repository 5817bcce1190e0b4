#pragma once

// The tissues of the shared piece skin. Each one owns a 32 x 32 cell of the
// 256 x 256 atlas (row-major, eight to a row). The tissues up to Atrium own
// nine palette entries each, their colour in the skin's nine shades; the
// ones after it are a neighbour's shade of such a tissue, drawn in part of
// its entries, so that two pieces of one tissue that touch can be told apart.

enum Tissue {
    Ghost,
    Myocardium,
    Artery,
    Vein,
    Lung,
    Liver,
    Gallbladder,
    Stomach,
    Spleen,
    Pancreas,
    Kidney,
    Urinary,
    SmallBowel,
    LargeBowel,
    Bone,
    Cartilage,
    GreyMatter,
    Cerebellum,
    BrainStem,
    Sclera,
    Iris,
    Nerve,
    Pupil,
    Teeth,
    Muscle,
    Atrium,
    // Neighbours' shades.
    BoneDark,
    BoneLight,
    GreyMatterDark,
    GreyMatterLight,
    SmallBowelDark,
    LargeBowelDark,
    ArteryDark,
    VeinLight,
    TissueCount
};
constexpr int ownPalettes = Atrium + 1;

struct TissueColour
{
    int r, g, b;
};

// Base colours: bright, because the game multiplies them by a mid grey and
// the light. The atria are a darker, bluer red than the ventricles.
inline constexpr TissueColour tissueColours[ownPalettes] = {
    {96, 132, 150},  {196, 62, 56},   {232, 52, 48},   {78, 104, 210},  {244, 166, 176},
    {168, 70, 52},   {104, 170, 82},  {240, 156, 132}, {146, 58, 98},   {246, 208, 142},
    {178, 74, 62},   {246, 226, 168}, {248, 182, 162}, {222, 164, 122}, {244, 236, 210},
    {186, 216, 236}, {236, 190, 184}, {226, 170, 162}, {240, 212, 190}, {250, 250, 246},
    {70, 136, 206},  {250, 232, 150}, {30, 30, 40},    {252, 252, 240}, {178, 64, 58},
    {158, 50, 74},
};

// A neighbour's shade: the base tissue's pattern in the shades first to last
// (of nine, darkest first) of a palette, the base's own or, where a shade of
// it would not read apart under the ghost, another's: the darker bone is a
// tan one, in the pancreas' yellows.
struct TissueVariant
{
    Tissue base, palette;
    int first, last;
};

inline constexpr TissueVariant tissueVariants[TissueCount - ownPalettes] = {
    {Bone, Pancreas, 0, 6},         {Bone, Bone, 5, 8},
    {GreyMatter, GreyMatter, 0, 2}, {GreyMatter, GreyMatter, 5, 8},
    {SmallBowel, SmallBowel, 0, 2}, {LargeBowel, LargeBowel, 0, 2},
    {Artery, Artery, 0, 2},         {Vein, Vein, 6, 8},
};
