#include "anatomy.h"

#include "arm.h"
#include "modelling.h"
#include "tissues.h"
#include "view/roomcamera.h"

#include <cmath>

namespace {

// --- Thorax and abdomen ---------------------------------------------------

Mesh torsoGhost()
{
    return meshShape(
        unite({ellipsoid({0, 0.12f, 0}, {0.16f, 0.18f, 0.11f}, Ghost),
               ellipsoid({0, -0.10f, 0.005f}, {0.145f, 0.16f, 0.105f}, Ghost),
               ellipsoid({0, -0.25f, 0}, {0.165f, 0.09f, 0.10f}, Ghost),
               capsule({0, 0.28f, -0.01f}, {0, 0.37f, -0.005f}, 0.055f, 0.05f, Ghost),
               capsule({-0.17f, 0.25f, -0.01f}, {0.17f, 0.25f, -0.01f}, 0.06f, 0.06f, Ghost),
               capsule({-0.09f, -0.30f, 0}, {-0.10f, -0.38f, 0}, 0.075f, 0.07f, Ghost),
               capsule({0.09f, -0.30f, 0}, {0.10f, -0.38f, 0}, 0.075f, 0.07f, Ghost)},
              0.06f),
        1950);
}

Mesh heart()
{
    const Shape body =
        unite({ellipsoid({0.015f, 0.11f, 0.03f}, {0.05f, 0.05f, 0.04f}, Myocardium),
               capsule({0.015f, 0.10f, 0.03f}, {0.07f, 0.045f, 0.055f}, 0.04f, 0.011f, Myocardium),
               sphere({-0.03f, 0.115f, 0.02f}, 0.03f, Myocardium),
               ellipsoid({0.045f, 0.13f, 0.035f}, {0.016f, 0.012f, 0.014f}, Myocardium)},
              0.025f);
    // The interventricular groove, where the coronary vessels run.
    const Shape grooved = subtract(
        body, capsule({0.0f, 0.11f, 0.075f}, {0.06f, 0.05f, 0.07f}, 0.005f, 0.004f, Ghost), 0.006f);
    const Shape aorta = tube({{0.0f, 0.12f, 0.03f},
                              {0.0f, 0.17f, 0.03f},
                              {0.01f, 0.20f, 0.012f},
                              {0.03f, 0.205f, -0.02f},
                              {0.036f, 0.175f, -0.042f},
                              {0.036f, 0.09f, -0.05f}},
                             {0.014f, 0.014f, 0.013f, 0.012f, 0.012f, 0.011f}, Artery, 0.01f);
    const Shape branches = unite(
        {capsule({-0.004f, 0.20f, 0.016f}, {-0.016f, 0.245f, 0.016f}, 0.007f, 0.006f, Artery),
         capsule({0.013f, 0.205f, 0.004f}, {0.016f, 0.245f, 0.004f}, 0.006f, 0.005f, Artery),
         capsule({0.026f, 0.20f, -0.012f}, {0.036f, 0.24f, -0.012f}, 0.006f, 0.005f, Artery)});
    const Shape pulmonary =
        unite({capsule({0.022f, 0.115f, 0.06f}, {0.03f, 0.158f, 0.048f}, 0.013f, 0.012f, Vein),
               capsule({0.03f, 0.158f, 0.048f}, {0.075f, 0.165f, 0.02f}, 0.01f, 0.008f, Vein),
               capsule({0.03f, 0.158f, 0.048f}, {-0.02f, 0.168f, 0.005f}, 0.01f, 0.008f, Vein)},
              0.006f);
    const Shape cavae =
        unite({capsule({-0.036f, 0.12f, 0.02f}, {-0.036f, 0.215f, 0.01f}, 0.012f, 0.011f, Vein),
               capsule({-0.03f, 0.08f, 0.0f}, {-0.03f, 0.04f, -0.012f}, 0.012f, 0.012f, Vein)});
    return meshShape(unite({grooved, aorta, branches, pulmonary, cavae}, 0.007f), 1950);
}

// side +1: left lung (two lobes, cardiac notch); -1: right lung (three).
Mesh lung(int side)
{
    const float s = float(side);
    Shape l =
        ellipsoid({s * 0.085f, 0.11f, -0.005f}, {side > 0 ? 0.056f : 0.062f, 0.125f, 0.085f}, Lung);
    // Diaphragm under the base, heart against the medial face.
    l = subtract(l, sphere({s * 0.07f, -0.085f, 0.0f}, 0.135f, Ghost), 0.01f);
    l = subtract(l, ellipsoid({0.015f, 0.09f, 0.03f}, {0.07f, 0.07f, 0.055f}, Ghost), 0.012f);
    l = clip(l, {s * 0.02f, 0, 0}, {-s, 0, 0}, 0.02f);
    const Box box = l.box.grown(0.01f);
    const V3 medial{s * 0.048f, 0, 0};
    const V3 towardsMiddle{-s, 0, 0};
    // Oblique fissure: high at the back, low at the front.
    l = subtract(l, plate({0, 0.095f, 0}, {0, 1, 1}, 0.0025f, medial, towardsMiddle, box), 0.002f);
    if (side > 0) {
        l = subtract(l, sphere({0.05f, 0.065f, 0.075f}, 0.035f, Ghost), 0.01f);
    } else {
        // Horizontal fissure, in front of the oblique one only.
        const Shape horizontal{[=](V3 p) {
                                   const float across = std::abs(p.y - 0.12f) - 0.0025f;
                                   const float front =
                                       -(p.y - 0.095f + p.z) / 1.4142f; // in front of the oblique
                                   return Sample{std::max({across, front, p.x + 0.048f}), Ghost};
                               },
                               box};
        l = subtract(l, horizontal, 0.002f);
    }
    const Mesh tissue = meshShape(l, 1700);
    // Main bronchus and the pulmonary vessels at the hilum.
    const Mesh bronchus = sweepRound(
        {{s * 0.04f, 0.125f, -0.012f}, {s * 0.025f, 0.14f, -0.02f}, {s * 0.012f, 0.155f, -0.022f}},
        0.0075f, 0.0075f, 8, Cartilage);
    const Mesh artery = sweepRound({{s * 0.04f, 0.14f, 0.005f}, {s * 0.022f, 0.15f, 0.01f}}, 0.006f,
                                   0.006f, 8, Vein);
    const Mesh vein = sweepRound({{s * 0.04f, 0.10f, 0.008f}, {s * 0.022f, 0.1f, 0.012f}}, 0.0055f,
                                 0.0055f, 8, Artery);
    return merge({tissue, bronchus, artery, vein});
}

const Shape gallbladderShape = unite(
    sphere({-0.047f, -0.083f, 0.067f}, 0.017f, Gallbladder),
    capsule({-0.046f, -0.08f, 0.065f}, {-0.035f, -0.04f, 0.035f}, 0.016f, 0.009f, Gallbladder),
    0.01f);

// With its gallbladder (the organs set), or with the hollow the gallbladder
// lies in (the digestive tract, where the gallbladder is a piece of its own).
Mesh liver(bool gallbladder)
{
    Shape l = unite(ellipsoid({-0.06f, -0.02f, 0.01f}, {0.09f, 0.075f, 0.08f}, Liver),
                    ellipsoid({0.045f, 0.0f, 0.03f}, {0.075f, 0.04f, 0.045f}, Liver), 0.045f);
    l = clip(l, {0, -0.055f, 0.03f}, {0, -1, 0.7f}, 0.02f);
    l = subtract(l, capsule({0.0f, -0.05f, 0.1f}, {0.0f, 0.0f, 0.09f}, 0.012f, 0.008f, Ghost),
                 0.005f);
    const Shape hepatic =
        capsule({-0.02f, 0.03f, -0.045f}, {-0.02f, 0.075f, -0.05f}, 0.012f, 0.011f, Vein);
    if (gallbladder) {
        const Shape gall = capsule({-0.045f, -0.08f, 0.065f}, {-0.035f, -0.04f, 0.035f}, 0.018f,
                                   0.01f, Gallbladder);
        return meshShape(unite({l, gall, hepatic}, 0.006f), 1950);
    }
    l = subtract(l,
                 {[](V3 p) {
                      return Sample{gallbladderShape(p).d - 0.002f, Ghost};
                  },
                  gallbladderShape.box.grown(0.002f)},
                 0.004f);
    return meshShape(unite(l, hepatic, 0.006f), 1950);
}

Mesh stomach()
{
    const Shape s =
        unite(tube({{0.075f, 0.04f, -0.01f},
                    {0.082f, -0.01f, 0.01f},
                    {0.07f, -0.06f, 0.03f},
                    {0.045f, -0.095f, 0.045f},
                    {0.01f, -0.105f, 0.05f},
                    {-0.025f, -0.09f, 0.045f},
                    {-0.042f, -0.07f, 0.035f}},
                   {0.04f, 0.048f, 0.045f, 0.036f, 0.027f, 0.018f, 0.015f}, Stomach, 0.025f),
              capsule({0.035f, 0.095f, -0.03f}, {0.055f, 0.04f, -0.008f}, 0.010f, 0.012f, Stomach),
              0.015f);
    // Shallow folds running along the body of the stomach.
    const Shape folds = displace(
        s, [](V3 p) { return 0.0012f * std::sin(p.y * 420.0f + p.x * 200.0f); }, 0.0015f);
    return meshShape(folds, 1950);
}

Mesh spleen()
{
    Shape s =
        tube({{0.105f, 0.045f, -0.075f}, {0.13f, 0.005f, -0.055f}, {0.128f, -0.035f, -0.025f}},
             {0.022f, 0.03f, 0.02f}, Spleen, 0.02f);
    s = intersect(s, ellipsoid({0.13f, 0.005f, -0.05f}, {0.026f, 0.07f, 0.06f}, Spleen), 0.008f);
    s = subtract(s, sphere({0.095f, 0.0f, -0.035f}, 0.02f, Ghost), 0.008f);
    const Shape hilum = unite(
        capsule({0.108f, 0.0f, -0.04f}, {0.085f, -0.01f, -0.035f}, 0.004f, 0.004f, Artery),
        capsule({0.108f, -0.008f, -0.035f}, {0.085f, -0.018f, -0.03f}, 0.0045f, 0.0045f, Vein));
    return meshShape(unite(s, hilum, 0.004f), 1950);
}

Mesh pancreas(bool duct)
{
    const Shape p = tube({{-0.035f, -0.07f, 0.0f},
                          {0.0f, -0.055f, -0.006f},
                          {0.04f, -0.04f, -0.016f},
                          {0.08f, -0.02f, -0.03f},
                          {0.102f, -0.004f, -0.042f}},
                         {0.024f, 0.017f, 0.016f, 0.012f, 0.009f}, Pancreas, 0.012f);
    const Shape lobules = displace(
        p, [](V3 q) { return 0.0025f * noise3(q * 140.0f, 7); }, 0.0025f);
    if (!duct)
        return meshShape(lobules, 1950);
    const Shape bileDuct =
        capsule({-0.05f, -0.09f, 0.005f}, {-0.03f, -0.075f, 0.0f}, 0.006f, 0.005f, Gallbladder);
    return meshShape(unite(lobules, bileDuct, 0.004f), 1950);
}

// The left kidney; the right one is its mirror image, set a little lower.
Mesh kidneyLeft()
{
    Shape k = ellipsoid({0.075f, -0.045f, -0.07f}, {0.03f, 0.055f, 0.022f}, Kidney);
    k = subtract(k, sphere({0.038f, -0.045f, -0.064f}, 0.02f, Ghost), 0.01f);
    const Shape adrenal = ellipsoid({0.068f, 0.012f, -0.07f}, {0.018f, 0.013f, 0.008f}, Pancreas);
    Mesh m = meshShape(unite(k, adrenal, 0.006f), 1700);
    m.append(sweepRound(
        smoothPath(
            {{0.055f, -0.055f, -0.066f}, {0.047f, -0.085f, -0.062f}, {0.044f, -0.115f, -0.056f}},
            8),
        0.0045f, 0.0035f, 6, Urinary));
    m.append(sweepRound(
        {{0.055f, -0.038f, -0.066f}, {0.03f, -0.04f, -0.062f}, {0.012f, -0.042f, -0.06f}}, 0.005f,
        0.005f, 8, Artery));
    m.append(sweepRound(
        {{0.055f, -0.048f, -0.06f}, {0.03f, -0.05f, -0.055f}, {0.012f, -0.052f, -0.053f}}, 0.006f,
        0.006f, 8, Vein));
    return m;
}

Mesh bladder()
{
    Shape b = ellipsoid({0, -0.265f, 0.045f}, {0.045f, 0.038f, 0.04f}, Urinary);
    b = unite(b, capsule({0, -0.29f, 0.04f}, {0, -0.325f, 0.035f}, 0.009f, 0.007f, Urinary), 0.01f);
    b = displace(
        b, [](V3 p) { return 0.0015f * noise3(p * 90.0f, 3); }, 0.0015f);
    Mesh m = meshShape(b, 1800);
    for (float s : {-1.0f, 1.0f})
        m.append(sweepRound({{s * 0.028f, -0.255f, 0.02f},
                             {s * 0.038f, -0.235f, 0.01f},
                             {s * 0.044f, -0.215f, 0.002f}},
                            0.004f, 0.0035f, 6, Urinary));
    return m;
}

Mesh smallBowel()
{
    // Loops packed in two layers inside the frame of the colon.
    std::vector<V3> controls;
    for (int layer = 0; layer < 2; ++layer)
        for (int row = 0; row < 5; ++row) {
            const int r = layer ? 4 - row : row;
            const float y = -0.115f - 0.022f * r;
            const float z = layer ? 0.03f : 0.06f;
            const bool forward = (row + layer) % 2 == 0;
            for (int i = 0; i <= 6; ++i) {
                const float t = float(i) / 6.0f;
                const float x = (forward ? -0.06f + 0.12f * t : 0.06f - 0.12f * t);
                controls.push_back({x, y + 0.006f * std::sin(t * 9.0f + r),
                                    z + 0.008f * std::sin(t * 7.0f + layer * 2.0f)});
            }
        }
    const std::vector<V3> path = smoothPath(controls, 170);
    return sweepRound(path, 0.0105f, 0.0105f, 10, SmallBowel);
}

// Caecum with the appendix, colon and (in the organs set) the rectum.
Mesh largeBowel(bool rectum)
{
    std::vector<V3> controls = {
        {-0.088f, -0.215f, 0.012f}, {-0.094f, -0.16f, 0.004f}, {-0.095f, -0.1f, 0.0f},
        {-0.088f, -0.06f, 0.012f},  {-0.05f, -0.075f, 0.05f},  {0.0f, -0.1f, 0.066f},
        {0.05f, -0.075f, 0.05f},    {0.09f, -0.056f, 0.004f},  {0.1f, -0.1f, -0.01f},
        {0.096f, -0.18f, 0.0f},     {0.07f, -0.232f, 0.03f},   {0.03f, -0.25f, 0.01f}};
    if (rectum)
        controls.insert(controls.end(), {{0.005f, -0.265f, -0.03f}, {0.0f, -0.293f, -0.05f}});
    else
        controls.push_back({0.012f, -0.257f, -0.006f});
    const std::vector<V3> path = smoothPath(controls, rectum ? 130 : 120);
    std::vector<float> radii;
    float run = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (i)
            run += length(path[i] - path[i - 1]);
        const float base = rectum && i > path.size() - 18 ? 0.016f : 0.019f; // the rectum narrows
        radii.push_back(base * (1.0f + 0.13f * std::sin(run * 2 * pi / 0.028f)));
    }
    Mesh m = meshShape(unite(tube(path, radii, LargeBowel, 0.004f),
                             sphere({-0.086f, -0.222f, 0.012f}, 0.024f, LargeBowel), 0.01f),
                       1850);
    m.append(sweepRound(
        smoothPath(
            {{-0.084f, -0.235f, 0.01f}, {-0.075f, -0.255f, 0.014f}, {-0.068f, -0.265f, 0.008f}}, 6),
        0.0055f, 0.004f, 6, LargeBowel));
    return m;
}

// --- Digestive tract (in the trunk's frame, with the organs above) ---------

Mesh oesophagus()
{
    const std::vector<V3> path = smoothPath({{0.0f, 0.33f, -0.032f},
                                             {0.002f, 0.28f, -0.042f},
                                             {0.006f, 0.22f, -0.05f},
                                             {0.012f, 0.165f, -0.052f},
                                             {0.022f, 0.122f, -0.044f},
                                             {0.033f, 0.098f, -0.033f}},
                                            12);
    std::vector<float> radii;
    for (size_t i = 0; i < path.size(); ++i)
        radii.push_back(i == 0 ? 0.0092f : 0.0105f + 0.0012f * std::sin(float(i) * 0.9f));
    // A muscular tube: fine rings of its circular layer.
    const Shape tubeShape = displace(
        tube(path, radii, Muscle, 0.006f), [](V3 p) { return 0.0004f * std::sin(p.y * 700.0f); },
        0.0005f);
    return meshShape(tubeShape, 1960);
}

const Shape pancreasHead = sphere({-0.035f, -0.07f, 0.0f}, 0.025f, Ghost);

// The C of the duodenum round the head of the pancreas.
Mesh duodenum()
{
    const std::vector<V3> path = smoothPath({{-0.046f, -0.068f, 0.034f},
                                             {-0.062f, -0.06f, 0.02f},
                                             {-0.074f, -0.075f, 0.004f},
                                             {-0.074f, -0.1f, 0.0f},
                                             {-0.062f, -0.12f, -0.002f},
                                             {-0.03f, -0.127f, -0.006f},
                                             {0.005f, -0.123f, -0.008f},
                                             {0.022f, -0.108f, -0.008f},
                                             {0.027f, -0.09f, -0.004f},
                                             {0.036f, -0.094f, 0.008f}},
                                            40);
    std::vector<float> radii;
    for (size_t i = 0; i < path.size(); ++i)
        radii.push_back(0.0125f * (1.0f + 0.06f * std::sin(float(i) * 1.7f)));
    return meshShape(subtract(tube(path, radii, SmallBowel, 0.004f), pancreasHead, 0.004f), 1960);
}

// Gallbladder with the bile ducts down to the duodenum.
Mesh gallbladder()
{
    Mesh m = meshShape(gallbladderShape, 1200);
    const V3 neck{-0.035f, -0.04f, 0.035f};
    m.append(sweepRound(smoothPath({neck, {-0.03f, -0.034f, 0.022f}, {-0.028f, -0.04f, 0.012f}}, 8),
                        0.0032f, 0.0032f, 8, Gallbladder));
    // Hepatic duct from the liver, then the common bile duct behind the duodenum.
    m.append(sweepRound(smoothPath({{-0.02f, -0.03f, 0.012f},
                                    {-0.028f, -0.04f, 0.012f},
                                    {-0.042f, -0.065f, 0.01f},
                                    {-0.052f, -0.085f, 0.006f},
                                    {-0.062f, -0.092f, 0.003f}},
                                   20),
                        0.0036f, 0.0032f, 8, Gallbladder));
    return m;
}

// The rectum from the end of the sigmoid colon down to the anal canal.
Mesh rectum()
{
    const std::vector<V3> path = smoothPath({{0.008f, -0.262f, -0.016f},
                                             {0.002f, -0.278f, -0.042f},
                                             {0.0f, -0.3f, -0.052f},
                                             {0.0f, -0.32f, -0.042f},
                                             {0.0f, -0.333f, -0.026f},
                                             {0.0f, -0.343f, -0.018f}},
                                            24);
    std::vector<float> radii;
    for (size_t i = 0; i < path.size(); ++i) {
        const float t = float(i) / float(path.size() - 1);
        radii.push_back(t < 0.7f ? 0.016f + 0.006f * std::sin(t / 0.7f * pi)
                                 : 0.016f - 0.024f * (t - 0.7f));
    }
    // Transverse folds of the rectal wall.
    return meshShape(displace(
                         tube(path, radii, LargeBowel, 0.006f),
                         [](V3 p) { return 0.001f * std::sin(p.y * 380.0f); }, 0.0012f),
                     1960);
}

// --- Skeleton --------------------------------------------------------------

// The skeleton's right arm is the arm set's, a little smaller and hanging
// slightly away from the body.
V3 skeletonArm(V3 p)
{
    return V3{-0.18f, 0.515f, -0.008f} + rotate(p, {0, 0, 1}, -3.0f) * 0.9f;
}
Mesh skeletonArm(const Mesh &m)
{
    return transformed(m, {}, {0, 0, 1}, -3.0f, 0.9f, {-0.18f, 0.515f, -0.008f});
}

Mesh skeletonGhost()
{
    std::vector<Shape> parts = {
        ellipsoid({0, 0.70f, 0.01f}, {0.085f, 0.115f, 0.105f}, Ghost),
        capsule({0, 0.6f, -0.02f}, {0, 0.52f, -0.02f}, 0.05f, 0.055f, Ghost),
        ellipsoid({0, 0.37f, 0}, {0.17f, 0.17f, 0.11f}, Ghost),
        ellipsoid({0, 0.15f, 0}, {0.15f, 0.15f, 0.10f}, Ghost),
        ellipsoid({0, 0.0f, 0}, {0.165f, 0.1f, 0.1f}, Ghost),
    };
    for (float s : {-1.0f, 1.0f}) {
        const V3 side{-s, 1, 1}; // the left arm mirrors the right
        const V3 elbow = mul(skeletonArm(arm::elbow()), side),
                 wrist = mul(skeletonArm(arm::wrist()), side);
        const V3 tip = mul(skeletonArm(arm::fingers()[2].second), side);
        parts.push_back(capsule({s * 0.18f, 0.5f, -0.02f}, elbow, 0.05f, 0.04f, Ghost));
        parts.push_back(capsule(elbow, wrist, 0.04f, 0.03f, Ghost));
        parts.push_back(ellipsoid(lerp(wrist, tip, 0.45f) + V3{0, 0, 0.01f},
                                  {0.05f, length(tip - wrist) * 0.55f, 0.026f}, Ghost));
        parts.push_back(
            capsule({s * 0.09f, -0.05f, 0}, {s * 0.085f, -0.44f, 0}, 0.08f, 0.052f, Ghost));
        parts.push_back(
            capsule({s * 0.085f, -0.44f, 0}, {s * 0.085f, -0.84f, -0.01f}, 0.052f, 0.035f, Ghost));
        parts.push_back(ellipsoid({s * 0.085f, -0.885f, 0.06f}, {0.045f, 0.04f, 0.135f}, Ghost));
    }
    return meshShape(unite(parts, 0.04f), 1980);
}

Mesh skull()
{
    Shape s =
        unite({ellipsoid({0, 0.73f, -0.012f}, {0.074f, 0.085f, 0.095f}, Bone),
               ellipsoid({0, 0.665f, 0.05f}, {0.058f, 0.06f, 0.05f}, Bone),
               capsule({-0.055f, 0.66f, 0.045f}, {-0.066f, 0.664f, -0.012f}, 0.009f, 0.008f, Bone),
               capsule({0.055f, 0.66f, 0.045f}, {0.066f, 0.664f, -0.012f}, 0.009f, 0.008f, Bone)},
              0.018f);
    for (float side : {-1.0f, 1.0f})
        s = subtract(s, sphere({side * 0.031f, 0.683f, 0.1f}, 0.021f, Ghost), 0.006f);
    s = subtract(s, ellipsoid({0, 0.652f, 0.105f}, {0.01f, 0.016f, 0.02f}, Ghost), 0.004f);
    // Upper teeth, then the jaw with its lower teeth.
    s = paint(
        s, [](V3 p) { return p.y < 0.622f && p.z > 0.045f; }, Teeth);
    const Shape jaw =
        unite(tube({{-0.05f, 0.675f, -0.005f},
                    {-0.048f, 0.62f, 0.015f},
                    {-0.03f, 0.598f, 0.06f},
                    {0.0f, 0.593f, 0.08f},
                    {0.03f, 0.598f, 0.06f},
                    {0.048f, 0.62f, 0.015f},
                    {0.05f, 0.675f, -0.005f}},
                   {0.009f, 0.011f, 0.012f, 0.013f, 0.012f, 0.011f, 0.009f}, Bone, 0.008f),
              tube({{-0.036f, 0.612f, 0.048f}, {0.0f, 0.608f, 0.075f}, {0.036f, 0.612f, 0.048f}},
                   {0.006f, 0.007f, 0.006f}, Teeth, 0.005f),
              0.004f);
    return meshShape(unite(s, jaw, 0.003f), 1950);
}

// Height of the spine's centre line at parameter t (0 atlas, 1 fifth lumbar).
V3 spinePoint(float t)
{
    const float y = 0.6f - 0.54f * t;
    const float z = -0.05f + 0.02f * std::cos(t * 2.0f * pi * 0.95f) - 0.012f * std::sin(t * pi);
    return {0, y, z};
}

Mesh spine()
{
    Mesh m;
    const int count = 24;
    for (int i = 0; i < count; ++i) {
        const float t0 = (i + 0.12f) / count, t1 = (i + 0.88f) / count;
        const float tm = (i + 0.5f) / count;
        const V3 a = spinePoint(t0), b = spinePoint(t1), c = spinePoint(tm);
        const float r = 0.011f + 0.012f * tm;
        m.append(sweep({a, c, b}, {r, r * 1.05f, r}, {r * 0.8f, r * 0.85f, r * 0.8f}, {1, 0, 0}, 8,
                       Bone));
        const V3 back = c + V3{0, -0.006f - 0.01f * tm, -0.028f - 0.012f * tm};
        m.append(sweepRound({c + V3{0, 0, -r * 0.6f}, back}, 0.0055f, 0.004f, 5, Bone));
        const float wing = 0.022f + 0.012f * std::abs(std::sin(tm * pi));
        m.append(sweepRound(
            {c + V3{-wing, 0, -r * 0.9f}, c + V3{0, 0, -r * 1.1f}, c + V3{wing, 0, -r * 0.9f}},
            0.0045f, 0.0045f, 5, Bone, {0, 1, 0}));
        if (i + 1 < count) {
            const V3 d0 = spinePoint(t1), d1 = spinePoint((i + 1.12f) / count);
            const float rd = r * 0.95f;
            m.append(sweep({d0, d1}, {rd, rd}, {rd * 0.8f, rd * 0.8f}, {1, 0, 0}, 8, Cartilage));
        }
    }
    return m;
}

Mesh ribCage()
{
    Mesh m;
    const float back = -0.045f;
    for (int i = 1; i <= 10; ++i) {
        const float f = float(i - 1) / 9.0f;
        const float top = 0.54f - 0.034f * i;
        const float halfWidth = 0.06f + 0.09f * std::sin(std::min(f * 1.4f, 1.0f) * pi * 0.5f);
        const float depth = 0.05f + 0.045f * std::min(f * 1.6f, 1.0f);
        const float reach = i <= 7 ? 0.82f : 0.62f - 0.05f * (i - 8); // fraction of the half turn
        for (float s : {-1.0f, 1.0f}) {
            std::vector<V3> path;
            for (int k = 0; k <= 11; ++k) {
                const float a = (0.05f + reach * float(k) / 11.0f) * pi;
                path.push_back({s * (0.02f + halfWidth * std::sin(a)),
                                top - 0.075f * (1 - std::cos(a * 0.5f)) * (0.6f + f),
                                back - depth * 0.25f + depth * (-std::cos(a))});
            }
            std::vector<float> w(path.size(), 0.0095f), d(path.size(), 0.004f);
            m.append(sweep(path, w, d, {0, 1, 0}, 6, Bone));
            // Costal cartilage on to the sternum (ribs 1-7) or the rib above.
            const V3 end = path.back();
            const V3 target =
                i <= 7 ? V3{s * 0.013f, 0.5f - 0.022f * i, back - depth * 0.25f + depth * 0.98f}
                       : V3{s * (0.05f + 0.01f * (10 - i)), end.y + 0.04f, end.z + 0.015f};
            m.append(sweepRound({end, lerp(end, target, 0.5f) + V3{0, 0.004f, 0.006f}, target},
                                0.0045f, 0.004f, 5, Cartilage, {0, 1, 0}));
        }
    }
    const std::vector<V3> sternum = {{0, 0.515f, 0.037f},
                                     {0, 0.47f, 0.045f},
                                     {0, 0.41f, 0.05f},
                                     {0, 0.36f, 0.052f},
                                     {0, 0.335f, 0.05f}};
    m.append(sweep(sternum, {0.022f, 0.017f, 0.016f, 0.013f, 0.006f},
                   {0.007f, 0.006f, 0.006f, 0.006f, 0.004f}, {1, 0, 0}, 8, Bone));
    for (float s : {-1.0f, 1.0f})
        m.append(sweepRound(smoothPath({{s * 0.02f, 0.52f, 0.03f},
                                        {s * 0.08f, 0.54f, 0.03f},
                                        {s * 0.14f, 0.55f, 0.0f},
                                        {s * 0.17f, 0.55f, -0.025f}},
                                       10),
                            0.008f, 0.007f, 7, Bone));
    return m;
}

// The iliac wing of one hip bone (side +1 left, -1 right): a blade flaring
// up from above the hip socket, hollow on its inner face, with its crest.
Mesh iliacWing(float s)
{
    const std::vector<V3> keys = {
        {s * 0.088f, 0.012f, 0.034f},  {s * 0.106f, 0.04f, 0.047f},   {s * 0.12f, 0.063f, 0.05f},
        {s * 0.133f, 0.094f, 0.024f},  {s * 0.13f, 0.113f, -0.014f},  {s * 0.1f, 0.115f, -0.048f},
        {s * 0.055f, 0.092f, -0.07f},  {s * 0.048f, 0.062f, -0.068f}, {s * 0.055f, 0.04f, -0.055f},
        {s * 0.068f, 0.012f, -0.035f}, {s * 0.078f, 0.0f, -0.005f}};
    const std::vector<float> border = {0.0055f, 0.006f, 0.0075f, 0.0075f, 0.0075f, 0.0075f,
                                       0.0075f, 0.006f, 0.0055f, 0.0055f, 0.0055f};
    V3 out = cross(keys[2] - keys[10], keys[6] - keys[10]);
    if (out.x * s < 0)
        out = out * -1.0f; // towards the side: the outer (gluteal) face
    return blade(keys, border, 32, out, 0.0032f, 0.011f, Bone);
}

// One hip bone (side +1 left, -1 right): the iliac wing, the hip socket
// open to the side, front and below, and round the obturator foramen the
// pubis in front and the ischium below.
Mesh hipBone(float s)
{
    const V3 socket{s * 0.085f, -0.005f, 0.015f}; // the centre of the femur's head
    const V3 opening = normalized(V3{s * 0.72f, -0.38f, 0.5f});
    const V3 spine{s * 0.066f, -0.036f, -0.042f};
    Shape bone = unite(
        {capsule({s * 0.082f, 0.035f, -0.004f}, socket - opening * 0.022f, 0.017f, 0.018f, Bone),
         capsule({s * 0.066f, 0.02f, -0.04f}, {s * 0.075f, -0.012f, -0.014f}, 0.01f, 0.012f,
                 Bone), // behind the socket
         capsule({s * 0.068f, -0.004f, 0.036f}, {s * 0.02f, -0.03f, 0.058f}, 0.0095f, 0.009f,
                 Bone), // superior pubic ramus
         ellipsoid({s * 0.013f, -0.042f, 0.058f}, {0.011f, 0.018f, 0.009f}, Bone),
         capsule({s * 0.014f, -0.058f, 0.052f}, {s * 0.046f, -0.08f, 0.02f}, 0.0075f, 0.0075f,
                 Bone), // inferior pubic ramus
         capsule({s * 0.082f, -0.035f, -0.006f}, {s * 0.076f, -0.07f, -0.018f}, 0.012f, 0.012f,
                 Bone), // ischium
         ellipsoid({s * 0.07f, -0.08f, -0.012f}, {0.012f, 0.017f, 0.014f},
                   Bone), // ischial tuberosity
         capsule({s * 0.064f, -0.086f, 0.0f}, {s * 0.046f, -0.08f, 0.02f}, 0.008f, 0.0075f, Bone),
         capsule({s * 0.072f, -0.018f, -0.024f}, spine, 0.008f, 0.005f, Bone),
         capsule(spine, spine + V3{-s * 0.012f, -0.004f, -0.01f}, 0.0045f, 0.003f, Bone)},
        0.008f);
    bone = subtract(bone, sphere(socket, 0.028f, Ghost), 0.003f);
    // The face of the pubic symphysis is cartilage.
    bone = paint(
        bone, [s](V3 p) { return p.x * s < 0.006f; }, Cartilage);
    // The socket: a cup round the femur's head, its rim just past the head's middle.
    const V3 u = normalized(cross(opening, {0, 1, 0})), v = cross(opening, u);
    std::vector<V3> rim;
    for (int i = 0; i < 10; ++i) {
        const float a = 2 * pi * float(i) / 10.0f;
        rim.push_back(socket + opening * 0.003f + (u * std::cos(a) + v * std::sin(a)) * 0.033f);
    }
    const Mesh cup =
        blade(rim, std::vector<float>(10, 0.0052f), 24, opening * -1.0f, 0.0035f, 0.028f, Bone);
    return merge({meshShape(bone, 1400), cup, iliacWing(s)});
}

Mesh sacrum()
{
    Shape p = unite(
        {triangle({-0.052f, 0.072f, -0.058f}, {0.052f, 0.072f, -0.058f}, {0.0f, -0.01f, -0.085f},
                  0.009f, Bone),
         capsule({-0.05f, 0.07f, -0.06f}, {0.05f, 0.07f, -0.06f}, 0.013f, 0.013f, Bone), // the alae
         ellipsoid({0, 0.082f, -0.05f}, {0.024f, 0.01f, 0.018f}, Bone),
         capsule({0, 0.07f, -0.07f}, {0, 0.0f, -0.093f}, 0.0045f, 0.004f, Bone), // median crest
         tube({{0, -0.014f, -0.086f}, {0, -0.028f, -0.082f}, {0, -0.04f, -0.072f}},
              {0.0055f, 0.0045f, 0.003f}, Bone, 0.002f)},
        0.006f); // the coccyx last
    // Four pairs of sacral foramina.
    for (int i = 0; i < 4; ++i)
        for (float s : {-1.0f, 1.0f})
            p = subtract(p,
                         sphere({s * 0.017f, 0.056f - 0.019f * i, -0.054f - 0.0065f * i},
                                0.0042f - 0.0004f * i, Ghost),
                         0.001f);
    return meshShape(p, 1960);
}

// The radius and ulna with the bones of the hand, for the skeleton.
Mesh forearmAndHand()
{
    return skeletonArm(
        merge({meshShape(unite(arm::ulna(), arm::radius()), 1050), meshShape(arm::carpals(), 330),
               arm::metacarpals(6, 5), arm::phalanges(6, 5)}));
}

Mesh femur()
{
    const Shape f =
        unite({sphere({-0.085f, -0.005f, 0.015f}, 0.025f, Bone),
               capsule({-0.09f, -0.01f, 0.012f}, {-0.125f, -0.035f, 0.0f}, 0.015f, 0.016f, Bone),
               sphere({-0.132f, -0.02f, -0.005f}, 0.019f, Bone),
               capsule({-0.125f, -0.04f, 0.0f}, {-0.09f, -0.41f, 0.0f}, 0.015f, 0.014f, Bone),
               sphere({-0.07f, -0.428f, -0.005f}, 0.021f, Bone),
               sphere({-0.11f, -0.428f, -0.005f}, 0.021f, Bone),
               ellipsoid({-0.09f, -0.41f, 0.034f}, {0.019f, 0.023f, 0.009f}, Bone)},
              0.014f);
    return meshShape(f, 1900);
}

Mesh lowerLeg()
{
    const Shape bones = unite(
        {ellipsoid({-0.09f, -0.462f, 0.0f}, {0.039f, 0.014f, 0.027f}, Bone),
         capsule({-0.09f, -0.47f, 0.005f}, {-0.088f, -0.83f, -0.002f}, 0.017f, 0.012f, Bone),
         sphere({-0.075f, -0.842f, 0.0f}, 0.013f, Bone),
         capsule({-0.122f, -0.475f, -0.01f}, {-0.118f, -0.845f, -0.012f}, 0.008f, 0.0065f, Bone),
         sphere({-0.117f, -0.85f, -0.01f}, 0.01f, Bone),
         ellipsoid({-0.092f, -0.885f, -0.02f}, {0.022f, 0.022f, 0.035f}, Bone),
         ellipsoid({-0.092f, -0.875f, 0.04f}, {0.034f, 0.016f, 0.06f}, Bone)},
        0.01f);
    Mesh m = meshShape(bones, 1550);
    for (int t = 0; t < 5; ++t) {
        const float x = -0.072f - 0.012f * t;
        const float len = t == 0 ? 0.05f : 0.045f - 0.004f * t;
        m.append(sweepRound(smoothPath({{x, -0.872f, 0.095f},
                                        {x, -0.874f, 0.095f + len * 0.6f},
                                        {x, -0.87f, 0.095f + len}},
                                       5),
                            t == 0 ? 0.009f : 0.006f, 0.0045f, 6, Bone, {1, 0, 0}));
    }
    return m;
}

// --- Head ------------------------------------------------------------------

Shape cerebellumShape()
{
    return ellipsoid({0, -0.045f, -0.058f}, {0.052f, 0.026f, 0.034f}, Cerebellum);
}

Mesh headGhost()
{
    return meshShape(
        unite({ellipsoid({0, 0.015f, -0.005f}, {0.08f, 0.092f, 0.102f}, Ghost),
               ellipsoid({0, -0.06f, 0.04f}, {0.066f, 0.078f, 0.068f}, Ghost),
               capsule({0, -0.03f, 0.102f}, {0, -0.07f, 0.118f}, 0.011f, 0.014f, Ghost),
               ellipsoid({0, -0.115f, 0.045f}, {0.055f, 0.04f, 0.05f}, Ghost),
               ellipsoid({-0.08f, -0.03f, -0.01f}, {0.012f, 0.032f, 0.02f}, Ghost),
               ellipsoid({0.08f, -0.03f, -0.01f}, {0.012f, 0.032f, 0.02f}, Ghost),
               capsule({0, -0.1f, -0.02f}, {0, -0.2f, -0.025f}, 0.055f, 0.058f, Ghost)},
              0.03f),
        1950);
}

Mesh hemisphere(int side)
{
    const float s = float(side);
    Shape h = unite(ellipsoid({s * 0.004f, 0.012f, 0.0f}, {0.068f, 0.066f, 0.086f}, GreyMatter),
                    ellipsoid({s * 0.048f, -0.026f, 0.018f}, {0.024f, 0.026f, 0.045f}, GreyMatter),
                    0.02f);
    h = clip(h, {s * 0.003f, 0, 0}, {-s, 0, 0}, 0.008f);
    h = clip(h, {0, -0.045f, 0}, {0, -1, 0}, 0.01f);
    h = clip(h, {0, -0.018f, 0.06f}, {0, -1, 0.7f}, 0.01f);
    h = subtract(h, moved(cerebellumShape(), {0, 0, -0.004f}), 0.01f);
    // Lateral and central sulci, then the pattern of the gyri.
    h = subtract(h,
                 capsule({s * 0.072f, -0.01f, 0.035f}, {s * 0.062f, 0.018f, -0.035f}, 0.0045f,
                         0.0035f, Ghost),
                 0.003f);
    h = subtract(
        h,
        capsule({s * 0.012f, 0.078f, 0.0f}, {s * 0.066f, 0.016f, 0.018f}, 0.0035f, 0.003f, Ghost),
        0.002f);
    h = displace(
        h,
        [side](V3 p) {
            const float n = noise3(p * 55.0f, side > 0 ? 11 : 12) + 0.5f * noise3(p * 110.0f, 13);
            return 0.0032f * (std::min(std::abs(n) * 3.0f, 1.0f) - 0.6f);
        },
        0.0035f);
    return meshShape(h, 1980);
}

Mesh cerebellum()
{
    Shape c = cerebellumShape();
    c = subtract(c, ellipsoid({0, -0.04f, -0.09f}, {0.006f, 0.02f, 0.012f}, Ghost), 0.006f);
    c = displace(
        c, [](V3 p) { return 0.0016f * std::sin((p.y + 0.3f * p.z) * 560.0f); }, 0.0018f);
    const Shape peduncles = unite(
        capsule({-0.013f, -0.04f, -0.03f}, {-0.01f, -0.036f, -0.015f}, 0.007f, 0.006f, Cerebellum),
        capsule({0.013f, -0.04f, -0.03f}, {0.01f, -0.036f, -0.015f}, 0.007f, 0.006f, Cerebellum));
    return meshShape(unite(c, peduncles, 0.006f), 1950);
}

Mesh brainStem()
{
    const Shape stem = unite(
        {tube({{0, 0.0f, -0.012f}, {0, -0.03f, -0.01f}, {0, -0.07f, -0.02f}, {0, -0.105f, -0.026f}},
              {0.013f, 0.015f, 0.0105f, 0.008f}, BrainStem, 0.008f),
         ellipsoid({0, -0.038f, 0.003f}, {0.021f, 0.016f, 0.015f}, BrainStem),
         capsule({-0.012f, -0.005f, -0.006f}, {-0.016f, 0.02f, 0.002f}, 0.008f, 0.007f, BrainStem),
         capsule({0.012f, -0.005f, -0.006f}, {0.016f, 0.02f, 0.002f}, 0.008f, 0.007f, BrainStem)},
        0.008f);
    const Shape olives =
        unite(ellipsoid({-0.008f, -0.068f, -0.01f}, {0.004f, 0.009f, 0.004f}, BrainStem),
              ellipsoid({0.008f, -0.068f, -0.01f}, {0.004f, 0.009f, 0.004f}, BrainStem));
    return meshShape(unite(stem, olives, 0.003f), 1900);
}

Mesh eye(int side)
{
    const float s = float(side);
    const V3 c{s * 0.032f, -0.045f, 0.078f};
    Shape e =
        unite(sphere(c, 0.0122f, Sclera), sphere(c + V3{0, 0, 0.0072f}, 0.0072f, Sclera), 0.002f);
    e = paint(
        e, [c](V3 p) { return p.z > c.z + 0.0095f; }, Iris);
    e = paint(
        e,
        [c](V3 p) {
            return p.z > c.z + 0.0132f && std::abs(p.x - c.x) < 0.0025f
                   && std::abs(p.y - c.y) < 0.0025f;
        },
        Pupil);
    Mesh m = meshShape(e, 1400);
    m.append(sweepRound(smoothPath({c + V3{0, 0, -0.011f},
                                    c + V3{-s * 0.006f, 0.002f, -0.025f},
                                    {s * 0.012f, -0.04f, 0.035f}},
                                   8),
                        0.0032f, 0.0028f, 8, Nerve));
    return m;
}

} // namespace

PuzzleSet bodySet(const char *fileBase, const char *name, const PieceModel &shape, V3 at,
                  Frame frame, std::vector<PieceModel> parts, IconView icon)
{
    return {fileBase,
            name,
            shape,
            at,
            std::move(parts),
            icon,
            sceneAxis({0, 1, 0}, frame),
            sceneAxis({1, 0, 0}, frame)};
}

std::vector<PuzzleSet> buildSets()
{
    std::vector<PuzzleSet> sets;
    const auto add = [&sets](std::vector<PuzzleSet> more) {
        for (PuzzleSet &set : more)
            sets.push_back(std::move(set));
    };
    const Frame supine = Frame::Supine;

    // The trunk as large as the liver and the large intestine still fit on
    // the trough. Lying at the height of the trough floor, just in front of
    // it, so a piece carried on the drag plane passes through the ghost's
    // middle. The stomach lies over the pancreas and both over the left
    // kidney, and the large intestine frames the small one: the organs in
    // front, the urinary organs, and those deep in the belly are three sets.
    const float torso = 1.15f;
    const Mesh trunk = torsoGhost(), gut = stomach(), loops = smallBowel();
    const auto organ = [&](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, supine, torso)};
    };
    const PieceModel trunkShape{"trunk.md2", "Trunk", place(trunk, supine, torso)};
    const V3 trunkAt{-0.15f, 0.03f, 0.56f};
    const Mesh leftKidney = kidneyLeft();
    sets.push_back(bodySet("organs", "Organs of the trunk", trunkShape, trunkAt, supine,
                           {organ("heart.md2", "Heart", heart()),
                            organ("lung-right.md2", "Right lung", lung(-1)),
                            organ("lung-left.md2", "Left lung", lung(1)),
                            organ("liver.md2", "Liver and gallbladder", liver(true)),
                            organ("stomach.md2", "Stomach", gut),
                            organ("small-intestine.md2", "Small intestine", loops)}));
    sets.push_back(
        bodySet("urinary", "The kidneys and bladder", trunkShape, trunkAt, supine,
                {organ("kidney-left.md2", "Left kidney", leftKidney),
                 organ("kidney-right.md2", "Right kidney", mirrored(leftKidney, {0, -0.022f, 0})),
                 organ("bladder.md2", "Urinary bladder", bladder())}));
    sets.push_back(bodySet(
        "organs-deep", "Pancreas, spleen and large intestine", trunkShape, trunkAt, supine,
        {organ("pancreas.md2", "Pancreas", pancreas(true)), organ("spleen.md2", "Spleen", spleen()),
         organ("large-intestine.md2", "Large intestine", largeBowel(true))}));

    // As large as the longest bone (the spine) still fits on the trough. The
    // spine lies under the rib cage: the spine and pelvis are a set of their own.
    const float body = 0.58f;
    const auto bone = [&](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, supine, body)};
    };
    const PieceModel bodyShape{"body.md2", "Body", place(skeletonGhost(), supine, body)};
    const V3 bodyAt{-0.12f, 0.03f, 0.56f};
    const Mesh humerus = meshShape(arm::humerus(), 1960);
    const Mesh h = skeletonArm(humerus), fa = forearmAndHand(), fe = femur(), leg = lowerLeg();
    // Bones that meet at a joint are told apart by their shade. A tall
    // figure: show it from the skull down to the thighs, so it fills its card
    // like the others.
    sets.push_back(bodySet(
        "skeleton", "The skeleton", bodyShape, bodyAt, supine,
        {bone("skull.md2", "Skull", skull()),
         bone("ribcage.md2", "Rib cage, sternum and clavicles", ribCage()),
         bone("humerus-right.md2", "Right humerus", tinted(h, Bone, BoneDark)),
         bone("humerus-left.md2", "Left humerus", tinted(mirrored(h, {}), Bone, BoneDark)),
         bone("forearm-right.md2", "Right forearm and hand", fa),
         bone("forearm-left.md2", "Left forearm and hand", mirrored(fa, {})),
         bone("femur-right.md2", "Right femur and patella", tinted(fe, Bone, BoneDark)),
         bone("femur-left.md2", "Left femur and patella", tinted(mirrored(fe, {}), Bone, BoneDark)),
         bone("leg-right.md2", "Right tibia, fibula and foot", leg),
         bone("leg-left.md2", "Left tibia, fibula and foot", mirrored(leg, {}))},
        {90.0f, 78.0f, 0.06f, 1.75f}));
    sets.push_back(
        bodySet("spine", "The spine and pelvis", bodyShape, bodyAt, supine,
                {bone("spine.md2", "Vertebral column", spine()),
                 bone("sacrum.md2", "Sacrum and coccyx", tinted(sacrum(), Bone, BoneDark)),
                 bone("hipbone-right.md2", "Right hip bone", hipBone(-1)),
                 bone("hipbone-left.md2", "Left hip bone", tinted(hipBone(1), Bone, BoneLight))}));

    // Upright and facing the player, floating at the height of the trough,
    // its middle on the drag plane; the head in three-quarter view. The left
    // hemisphere a lighter grey, the right one a darker, so the halves read apart.
    const float head = 1.85f;
    const auto brainPart = [&](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, Frame::Upright, head)};
    };
    sets.push_back(bodySet("head", "Brain and eyes",
                           {"head.md2", "Head", place(headGhost(), Frame::Upright, head)},
                           {-0.15f, 0.0f, roomcamera::dragPlaneZ}, Frame::Upright,
                           {brainPart("hemisphere-left.md2", "Left cerebral hemisphere",
                                      tinted(hemisphere(1), GreyMatter, GreyMatterLight)),
                            brainPart("hemisphere-right.md2", "Right cerebral hemisphere",
                                      tinted(hemisphere(-1), GreyMatter, GreyMatterDark)),
                            brainPart("cerebellum.md2", "Cerebellum", cerebellum()),
                            brainPart("brainstem.md2", "Brain stem", brainStem()),
                            brainPart("eye-left.md2", "Left eye and optic nerve", eye(1)),
                            brainPart("eye-right.md2", "Right eye and optic nerve", eye(-1))},
                           {28.0f, 18.0f, 0.08f, 1.0f}));

    // The digestive tract in the same trunk, a little larger: as large as the
    // liver still fits on the trough. The stomach lies over the pancreas, the
    // duodenum round the bile duct and the large intestine round the small:
    // the tube down to the small intestine, then the glands and the large
    // intestine. The duodenum and the rectum a darker shade than the
    // intestines they run into.
    const float tract = 1.18f;
    const auto gutPart = [&](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, supine, tract)};
    };
    const PieceModel tractShape{"digestive-trunk.md2", "Trunk", place(trunk, supine, tract)};
    const V3 tractAt{-0.15f, 0.03f, 0.56f};
    sets.push_back(bodySet("digestive", "The digestive tract", tractShape, tractAt, supine,
                           {gutPart("digestive-oesophagus.md2", "Oesophagus", oesophagus()),
                            gutPart("digestive-stomach.md2", "Stomach", gut),
                            gutPart("digestive-duodenum.md2", "Duodenum",
                                    tinted(duodenum(), SmallBowel, SmallBowelDark)),
                            gutPart("digestive-small-intestine.md2", "Small intestine", loops)}));
    sets.push_back(bodySet(
        "digestive-glands", "Liver, pancreas and large intestine", tractShape, tractAt, supine,
        {gutPart("digestive-liver.md2", "Liver", liver(false)),
         gutPart("digestive-gallbladder.md2", "Gallbladder and bile ducts", gallbladder()),
         gutPart("digestive-pancreas.md2", "Pancreas", pancreas(false)),
         gutPart("digestive-large-intestine.md2", "Large intestine", largeBowel(false)),
         gutPart("digestive-rectum.md2", "Rectum", tinted(rectum(), LargeBowel, LargeBowelDark))}));

    add(heartSets());
    add(armSets(humerus));
    return sets;
}
