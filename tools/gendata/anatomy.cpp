#include "anatomy.h"

#include "tissues.h"

#include <cmath>

namespace {

constexpr float pi = 3.14159265f;

// A thin plate (half thickness `half`) through `o` across `n`, kept only
// where dot(p - o2, n2) < 0: carves fissures and grooves.
Shape plate(V3 o, V3 n, float half, V3 o2, V3 n2, Box box)
{
    const V3 nn = normalized(n), mm = normalized(n2);
    return {[=](V3 p) { return Sample{std::max(std::abs(dot(p - o, nn)) - half, dot(p - o2, mm)), Ghost}; }, box};
}

Mesh sweepRound(const std::vector<V3> &path, float r0, float r1, int sides, int tissue, V3 side = {0, 0, 1})
{
    std::vector<float> r;
    for (size_t i = 0; i < path.size(); ++i)
        r.push_back(r0 + (r1 - r0) * float(i) / float(path.size() - 1));
    return sweep(path, r, r, side, sides, tissue);
}

// --- Lay-out of the three sets -------------------------------------------

enum class Frame { Supine, Upright };

V3 toScene(V3 a, Frame f)
{
    // Lying on the back, head towards -y and the body's left away from the
    // player; or standing up facing the player with its left to the right.
    return f == Frame::Supine ? V3{-a.x, -a.y, a.z} : V3{a.z, a.x, a.y};
}

Mesh place(Mesh m, Frame f, float scale)
{
    for (auto &v : m.vertices) {
        v.p = toScene(v.p, f) * scale;
        v.n = toScene(v.n, f);
    }
    return m;
}

Mesh merge(std::initializer_list<Mesh> parts)
{
    Mesh m;
    for (const Mesh &p : parts)
        m.append(p);
    return m;
}

// --- Thorax and abdomen ---------------------------------------------------

Mesh torsoGhost()
{
    return meshShape(unite({ellipsoid({0, 0.12f, 0}, {0.16f, 0.18f, 0.11f}, Ghost),
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
    const Shape body = unite({ellipsoid({0.015f, 0.11f, 0.03f}, {0.05f, 0.05f, 0.04f}, Myocardium),
                              capsule({0.015f, 0.10f, 0.03f}, {0.07f, 0.045f, 0.055f}, 0.04f, 0.011f, Myocardium),
                              sphere({-0.03f, 0.115f, 0.02f}, 0.03f, Myocardium),
                              ellipsoid({0.045f, 0.13f, 0.035f}, {0.016f, 0.012f, 0.014f}, Myocardium)},
                             0.025f);
    // The interventricular groove, where the coronary vessels run.
    const Shape grooved = subtract(body, capsule({0.0f, 0.11f, 0.075f}, {0.06f, 0.05f, 0.07f}, 0.005f, 0.004f, Ghost), 0.006f);
    const Shape aorta = tube({{0.0f, 0.12f, 0.03f}, {0.0f, 0.17f, 0.03f}, {0.01f, 0.20f, 0.012f}, {0.03f, 0.205f, -0.02f},
                              {0.036f, 0.175f, -0.042f}, {0.036f, 0.09f, -0.05f}},
                             {0.014f, 0.014f, 0.013f, 0.012f, 0.012f, 0.011f}, Artery, 0.01f);
    const Shape branches = unite({capsule({-0.004f, 0.20f, 0.016f}, {-0.016f, 0.245f, 0.016f}, 0.007f, 0.006f, Artery),
                                  capsule({0.013f, 0.205f, 0.004f}, {0.016f, 0.245f, 0.004f}, 0.006f, 0.005f, Artery),
                                  capsule({0.026f, 0.20f, -0.012f}, {0.036f, 0.24f, -0.012f}, 0.006f, 0.005f, Artery)});
    const Shape pulmonary =
        unite({capsule({0.022f, 0.115f, 0.06f}, {0.03f, 0.158f, 0.048f}, 0.013f, 0.012f, Vein),
               capsule({0.03f, 0.158f, 0.048f}, {0.075f, 0.165f, 0.02f}, 0.01f, 0.008f, Vein),
               capsule({0.03f, 0.158f, 0.048f}, {-0.02f, 0.168f, 0.005f}, 0.01f, 0.008f, Vein)},
              0.006f);
    const Shape cavae = unite({capsule({-0.036f, 0.12f, 0.02f}, {-0.036f, 0.215f, 0.01f}, 0.012f, 0.011f, Vein),
                               capsule({-0.03f, 0.08f, 0.0f}, {-0.03f, 0.04f, -0.012f}, 0.012f, 0.012f, Vein)});
    return meshShape(unite({grooved, aorta, branches, pulmonary, cavae}, 0.007f), 1950);
}

// side +1: left lung (two lobes, cardiac notch); -1: right lung (three).
Mesh lung(int side)
{
    const float s = float(side);
    Shape l = ellipsoid({s * 0.085f, 0.11f, -0.005f}, {side > 0 ? 0.056f : 0.062f, 0.125f, 0.085f}, Lung);
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
                                   const float front = -(p.y - 0.095f + p.z) / 1.4142f; // in front of the oblique
                                   return Sample{std::max({across, front, p.x + 0.048f}), Ghost};
                               },
                               box};
        l = subtract(l, horizontal, 0.002f);
    }
    const Mesh tissue = meshShape(l, 1700);
    // Main bronchus and the pulmonary vessels at the hilum.
    const Mesh bronchus = sweepRound({{s * 0.04f, 0.125f, -0.012f}, {s * 0.025f, 0.14f, -0.02f}, {s * 0.012f, 0.155f, -0.022f}},
                                     0.0075f, 0.0075f, 8, Cartilage);
    const Mesh artery = sweepRound({{s * 0.04f, 0.14f, 0.005f}, {s * 0.022f, 0.15f, 0.01f}}, 0.006f, 0.006f, 8, Vein);
    const Mesh vein = sweepRound({{s * 0.04f, 0.10f, 0.008f}, {s * 0.022f, 0.1f, 0.012f}}, 0.0055f, 0.0055f, 8, Artery);
    return merge({tissue, bronchus, artery, vein});
}

Mesh liver()
{
    Shape l = unite(ellipsoid({-0.06f, -0.02f, 0.01f}, {0.09f, 0.075f, 0.08f}, Liver),
                    ellipsoid({0.045f, 0.0f, 0.03f}, {0.075f, 0.04f, 0.045f}, Liver), 0.045f);
    l = clip(l, {0, -0.055f, 0.03f}, {0, -1, 0.7f}, 0.02f);
    l = subtract(l, capsule({0.0f, -0.05f, 0.1f}, {0.0f, 0.0f, 0.09f}, 0.012f, 0.008f, Ghost), 0.005f);
    const Shape gall = capsule({-0.045f, -0.08f, 0.065f}, {-0.035f, -0.04f, 0.035f}, 0.018f, 0.01f, Gallbladder);
    const Shape hepatic = capsule({-0.02f, 0.03f, -0.045f}, {-0.02f, 0.075f, -0.05f}, 0.012f, 0.011f, Vein);
    return meshShape(unite({l, gall, hepatic}, 0.006f), 1950);
}

Mesh stomach()
{
    const Shape s = unite(tube({{0.075f, 0.04f, -0.01f}, {0.082f, -0.01f, 0.01f}, {0.07f, -0.06f, 0.03f}, {0.045f, -0.095f, 0.045f},
                                {0.01f, -0.105f, 0.05f}, {-0.025f, -0.09f, 0.045f}, {-0.042f, -0.07f, 0.035f}},
                               {0.04f, 0.048f, 0.045f, 0.036f, 0.027f, 0.018f, 0.015f}, Stomach, 0.025f),
                          capsule({0.035f, 0.095f, -0.03f}, {0.055f, 0.04f, -0.008f}, 0.010f, 0.012f, Stomach), 0.015f);
    // Shallow folds running along the body of the stomach.
    const Shape folds = displace(s, [](V3 p) { return 0.0012f * std::sin(p.y * 420.0f + p.x * 200.0f); }, 0.0015f);
    return meshShape(folds, 1950);
}

Mesh spleen()
{
    Shape s = tube({{0.105f, 0.045f, -0.075f}, {0.13f, 0.005f, -0.055f}, {0.128f, -0.035f, -0.025f}}, {0.022f, 0.03f, 0.02f}, Spleen,
                   0.02f);
    s = intersect(s, ellipsoid({0.13f, 0.005f, -0.05f}, {0.026f, 0.07f, 0.06f}, Spleen), 0.008f);
    s = subtract(s, sphere({0.095f, 0.0f, -0.035f}, 0.02f, Ghost), 0.008f);
    const Shape hilum = unite(capsule({0.108f, 0.0f, -0.04f}, {0.085f, -0.01f, -0.035f}, 0.004f, 0.004f, Artery),
                              capsule({0.108f, -0.008f, -0.035f}, {0.085f, -0.018f, -0.03f}, 0.0045f, 0.0045f, Vein));
    return meshShape(unite(s, hilum, 0.004f), 1950);
}

Mesh pancreas()
{
    const Shape p = tube({{-0.035f, -0.07f, 0.0f}, {0.0f, -0.055f, -0.006f}, {0.04f, -0.04f, -0.016f}, {0.08f, -0.02f, -0.03f},
                          {0.102f, -0.004f, -0.042f}},
                         {0.024f, 0.017f, 0.016f, 0.012f, 0.009f}, Pancreas, 0.012f);
    const Shape lobules = displace(p, [](V3 q) { return 0.0025f * noise3(q * 140.0f, 7); }, 0.0025f);
    const Shape duct = capsule({-0.05f, -0.09f, 0.005f}, {-0.03f, -0.075f, 0.0f}, 0.006f, 0.005f, Gallbladder);
    return meshShape(unite(lobules, duct, 0.004f), 1950);
}

// The left kidney; the right one is its mirror image, set a little lower.
Mesh kidneyLeft()
{
    Shape k = ellipsoid({0.075f, -0.045f, -0.07f}, {0.03f, 0.055f, 0.022f}, Kidney);
    k = subtract(k, sphere({0.038f, -0.045f, -0.064f}, 0.02f, Ghost), 0.01f);
    const Shape adrenal = ellipsoid({0.068f, 0.012f, -0.07f}, {0.018f, 0.013f, 0.008f}, Pancreas);
    Mesh m = meshShape(unite(k, adrenal, 0.006f), 1700);
    m.append(sweepRound(smoothPath({{0.055f, -0.055f, -0.066f}, {0.047f, -0.085f, -0.062f}, {0.044f, -0.115f, -0.056f}}, 8), 0.0045f,
                        0.0035f, 6, Urinary));
    m.append(sweepRound({{0.055f, -0.038f, -0.066f}, {0.03f, -0.04f, -0.062f}, {0.012f, -0.042f, -0.06f}}, 0.005f, 0.005f, 8, Artery));
    m.append(sweepRound({{0.055f, -0.048f, -0.06f}, {0.03f, -0.05f, -0.055f}, {0.012f, -0.052f, -0.053f}}, 0.006f, 0.006f, 8, Vein));
    return m;
}

Mesh mirrored(Mesh m, V3 shift)
{
    for (auto &v : m.vertices) {
        v.p = V3{-v.p.x, v.p.y, v.p.z} + shift;
        v.n = V3{-v.n.x, v.n.y, v.n.z};
    }
    for (auto &t : m.triangles)
        std::swap(t[1], t[2]);
    return m;
}

Mesh bladder()
{
    Shape b = ellipsoid({0, -0.265f, 0.045f}, {0.045f, 0.038f, 0.04f}, Urinary);
    b = unite(b, capsule({0, -0.29f, 0.04f}, {0, -0.325f, 0.035f}, 0.009f, 0.007f, Urinary), 0.01f);
    b = displace(b, [](V3 p) { return 0.0015f * noise3(p * 90.0f, 3); }, 0.0015f);
    Mesh m = meshShape(b, 1800);
    for (float s : {-1.0f, 1.0f})
        m.append(sweepRound({{s * 0.028f, -0.255f, 0.02f}, {s * 0.038f, -0.235f, 0.01f}, {s * 0.044f, -0.215f, 0.002f}}, 0.004f,
                            0.0035f, 6, Urinary));
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
                controls.push_back({x, y + 0.006f * std::sin(t * 9.0f + r), z + 0.008f * std::sin(t * 7.0f + layer * 2.0f)});
            }
        }
    const std::vector<V3> path = smoothPath(controls, 170);
    return sweepRound(path, 0.0105f, 0.0105f, 10, SmallBowel);
}

Mesh largeBowel()
{
    const std::vector<V3> controls = {{-0.088f, -0.215f, 0.012f}, {-0.094f, -0.16f, 0.004f}, {-0.095f, -0.1f, 0.0f},
                                      {-0.088f, -0.06f, 0.012f},  {-0.05f, -0.075f, 0.05f},  {0.0f, -0.1f, 0.066f},
                                      {0.05f, -0.075f, 0.05f},    {0.09f, -0.056f, 0.004f},  {0.1f, -0.1f, -0.01f},
                                      {0.096f, -0.18f, 0.0f},     {0.07f, -0.232f, 0.03f},   {0.03f, -0.25f, 0.01f},
                                      {0.005f, -0.265f, -0.03f},  {0.0f, -0.293f, -0.05f}};
    const std::vector<V3> path = smoothPath(controls, 130);
    std::vector<float> radii;
    float run = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (i)
            run += length(path[i] - path[i - 1]);
        const float base = i > path.size() - 18 ? 0.016f : 0.019f; // the rectum narrows
        radii.push_back(base * (1.0f + 0.13f * std::sin(run * 2 * pi / 0.028f)));
    }
    Mesh m = meshShape(unite(tube(path, radii, LargeBowel, 0.004f),
                             sphere({-0.086f, -0.222f, 0.012f}, 0.024f, LargeBowel), 0.01f),
                       1850);
    m.append(sweepRound(smoothPath({{-0.084f, -0.235f, 0.01f}, {-0.075f, -0.255f, 0.014f}, {-0.068f, -0.265f, 0.008f}}, 6), 0.0055f,
                        0.004f, 6, LargeBowel));
    return m;
}

// --- Skeleton --------------------------------------------------------------

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
        parts.push_back(capsule({s * 0.18f, 0.5f, -0.02f}, {s * 0.21f, 0.22f, -0.01f}, 0.05f, 0.04f, Ghost));
        parts.push_back(capsule({s * 0.21f, 0.22f, -0.01f}, {s * 0.222f, -0.04f, 0.01f}, 0.04f, 0.032f, Ghost));
        parts.push_back(ellipsoid({s * 0.225f, -0.11f, 0.012f}, {0.05f, 0.085f, 0.028f}, Ghost));
        parts.push_back(capsule({s * 0.09f, -0.05f, 0}, {s * 0.085f, -0.44f, 0}, 0.08f, 0.052f, Ghost));
        parts.push_back(capsule({s * 0.085f, -0.44f, 0}, {s * 0.085f, -0.84f, -0.01f}, 0.052f, 0.035f, Ghost));
        parts.push_back(ellipsoid({s * 0.085f, -0.885f, 0.06f}, {0.045f, 0.04f, 0.135f}, Ghost));
    }
    return meshShape(unite(parts, 0.04f), 1980);
}

Mesh skull()
{
    Shape s = unite({ellipsoid({0, 0.73f, -0.012f}, {0.074f, 0.085f, 0.095f}, Bone),
                     ellipsoid({0, 0.665f, 0.05f}, {0.058f, 0.06f, 0.05f}, Bone),
                     capsule({-0.055f, 0.66f, 0.045f}, {-0.066f, 0.664f, -0.012f}, 0.009f, 0.008f, Bone),
                     capsule({0.055f, 0.66f, 0.045f}, {0.066f, 0.664f, -0.012f}, 0.009f, 0.008f, Bone)},
                    0.018f);
    for (float side : {-1.0f, 1.0f})
        s = subtract(s, sphere({side * 0.031f, 0.683f, 0.1f}, 0.021f, Ghost), 0.006f);
    s = subtract(s, ellipsoid({0, 0.652f, 0.105f}, {0.01f, 0.016f, 0.02f}, Ghost), 0.004f);
    // Upper teeth, then the jaw with its lower teeth.
    s = paint(s, [](V3 p) { return p.y < 0.622f && p.z > 0.045f; }, Teeth);
    const Shape jaw = unite(tube({{-0.05f, 0.675f, -0.005f}, {-0.048f, 0.62f, 0.015f}, {-0.03f, 0.598f, 0.06f}, {0.0f, 0.593f, 0.08f},
                                  {0.03f, 0.598f, 0.06f}, {0.048f, 0.62f, 0.015f}, {0.05f, 0.675f, -0.005f}},
                                 {0.009f, 0.011f, 0.012f, 0.013f, 0.012f, 0.011f, 0.009f}, Bone, 0.008f),
                            tube({{-0.036f, 0.612f, 0.048f}, {0.0f, 0.608f, 0.075f}, {0.036f, 0.612f, 0.048f}}, {0.006f, 0.007f, 0.006f},
                                 Teeth, 0.005f),
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
        m.append(sweep({a, c, b}, {r, r * 1.05f, r}, {r * 0.8f, r * 0.85f, r * 0.8f}, {1, 0, 0}, 8, Bone));
        const V3 back = c + V3{0, -0.006f - 0.01f * tm, -0.028f - 0.012f * tm};
        m.append(sweepRound({c + V3{0, 0, -r * 0.6f}, back}, 0.0055f, 0.004f, 5, Bone));
        const float wing = 0.022f + 0.012f * std::abs(std::sin(tm * pi));
        m.append(sweepRound({c + V3{-wing, 0, -r * 0.9f}, c + V3{0, 0, -r * 1.1f}, c + V3{wing, 0, -r * 0.9f}}, 0.0045f, 0.0045f, 5,
                            Bone, {0, 1, 0}));
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
                path.push_back({s * (0.02f + halfWidth * std::sin(a)), top - 0.075f * (1 - std::cos(a * 0.5f)) * (0.6f + f),
                                back - depth * 0.25f + depth * (-std::cos(a))});
            }
            std::vector<float> w(path.size(), 0.0095f), d(path.size(), 0.004f);
            m.append(sweep(path, w, d, {0, 1, 0}, 6, Bone));
            // Costal cartilage on to the sternum (ribs 1-7) or the rib above.
            const V3 end = path.back();
            const V3 target = i <= 7 ? V3{s * 0.013f, 0.5f - 0.022f * i, back - depth * 0.25f + depth * 0.98f}
                                     : V3{s * (0.05f + 0.01f * (10 - i)), end.y + 0.04f, end.z + 0.015f};
            m.append(sweepRound({end, lerp(end, target, 0.5f) + V3{0, 0.004f, 0.006f}, target}, 0.0045f, 0.004f, 5, Cartilage,
                                {0, 1, 0}));
        }
    }
    const std::vector<V3> sternum = {{0, 0.515f, 0.037f}, {0, 0.47f, 0.045f}, {0, 0.41f, 0.05f}, {0, 0.36f, 0.052f}, {0, 0.335f, 0.05f}};
    m.append(sweep(sternum, {0.022f, 0.017f, 0.016f, 0.013f, 0.006f}, {0.007f, 0.006f, 0.006f, 0.006f, 0.004f}, {1, 0, 0}, 8, Bone));
    for (float s : {-1.0f, 1.0f})
        m.append(sweepRound(smoothPath({{s * 0.02f, 0.52f, 0.03f}, {s * 0.08f, 0.54f, 0.03f}, {s * 0.14f, 0.55f, 0.0f},
                                        {s * 0.17f, 0.55f, -0.025f}},
                                       10),
                            0.008f, 0.007f, 7, Bone));
    return m;
}

Mesh pelvis()
{
    std::vector<Shape> parts;
    for (float s : {-1.0f, 1.0f}) {
        const Shape wing = moved(rotated(ellipsoid({0, 0, 0}, {0.058f, 0.062f, 0.011f}, Bone), {0, 1, 0}, s * -55.0f),
                                 {s * 0.085f, 0.06f, -0.03f});
        parts.push_back(wing);
        parts.push_back(sphere({s * 0.095f, -0.005f, 0.012f}, 0.028f, Bone));
        parts.push_back(moved(rotated(torus({0, 0, 0}, 0.026f, 0.0095f, Bone), {0, 1, 0}, s * 75.0f), {s * 0.055f, -0.045f, 0.03f}));
        parts.push_back(capsule({s * 0.06f, -0.025f, 0.05f}, {s * 0.004f, -0.035f, 0.058f}, 0.011f, 0.011f, Bone));
        parts.push_back(capsule({s * 0.04f, 0.075f, -0.06f}, {s * 0.1f, 0.095f, -0.015f}, 0.01f, 0.012f, Bone));
    }
    Shape p = unite(parts, 0.012f);
    for (float s : {-1.0f, 1.0f})
        p = subtract(p, sphere({s * 0.118f, -0.005f, 0.02f}, 0.022f, Ghost), 0.004f);
    const Shape sacrum = unite(moved(rotated(ellipsoid({0, 0, 0}, {0.046f, 0.06f, 0.018f}, Bone), {1, 0, 0}, -25.0f), {0, 0.045f, -0.07f}),
                               capsule({0, -0.01f, -0.08f}, {0, -0.035f, -0.06f}, 0.008f, 0.005f, Bone), 0.01f);
    const Shape symphysis = capsule({0, -0.02f, 0.06f}, {0, -0.05f, 0.058f}, 0.006f, 0.006f, Cartilage);
    return meshShape(unite({p, sacrum, symphysis}, 0.006f), 1960);
}

// Right-sided limb bones; the left ones are their mirror images.
Mesh humerus()
{
    const Shape h = unite({sphere({-0.178f, 0.515f, -0.008f}, 0.024f, Bone), sphere({-0.2f, 0.515f, 0.0f}, 0.016f, Bone),
                           capsule({-0.19f, 0.5f, -0.01f}, {-0.208f, 0.25f, -0.01f}, 0.012f, 0.01f, Bone),
                           ellipsoid({-0.21f, 0.232f, -0.005f}, {0.03f, 0.013f, 0.016f}, Bone)},
                          0.012f);
    return meshShape(h, 1900);
}

Mesh forearm()
{
    const Shape bones = unite({capsule({-0.222f, 0.205f, 0.002f}, {-0.232f, -0.035f, 0.012f}, 0.009f, 0.012f, Bone),
                               capsule({-0.198f, 0.215f, -0.008f}, {-0.206f, -0.03f, 0.006f}, 0.011f, 0.007f, Bone),
                               sphere({-0.198f, 0.225f, -0.016f}, 0.012f, Bone),
                               ellipsoid({-0.218f, -0.065f, 0.01f}, {0.028f, 0.02f, 0.011f}, Bone),
                               ellipsoid({-0.215f, -0.105f, 0.01f}, {0.034f, 0.03f, 0.009f}, Bone)},
                              0.008f);
    Mesh m = meshShape(bones, 1500);
    // Fingers (index to little) and the thumb, slightly curled forwards.
    for (int f = 0; f < 4; ++f) {
        const float x = -0.238f + 0.015f * f;
        const float len = f == 0 ? 0.07f : f == 1 ? 0.078f : f == 2 ? 0.072f : 0.058f;
        m.append(sweepRound(smoothPath({{x, -0.128f, 0.01f}, {x - 0.002f, -0.128f - len * 0.5f, 0.014f}, {x - 0.003f, -0.128f - len, 0.02f}},
                                       6),
                            0.0055f, 0.004f, 6, Bone));
    }
    m.append(sweepRound(smoothPath({{-0.24f, -0.075f, 0.012f}, {-0.262f, -0.1f, 0.02f}, {-0.272f, -0.13f, 0.028f}}, 6), 0.0065f, 0.0045f,
                        6, Bone));
    return m;
}

Mesh femur()
{
    const Shape f = unite({sphere({-0.085f, -0.005f, 0.015f}, 0.025f, Bone),
                           capsule({-0.09f, -0.01f, 0.012f}, {-0.125f, -0.035f, 0.0f}, 0.015f, 0.016f, Bone),
                           sphere({-0.132f, -0.02f, -0.005f}, 0.019f, Bone),
                           capsule({-0.125f, -0.04f, 0.0f}, {-0.09f, -0.41f, 0.0f}, 0.015f, 0.014f, Bone),
                           sphere({-0.07f, -0.428f, -0.005f}, 0.021f, Bone), sphere({-0.11f, -0.428f, -0.005f}, 0.021f, Bone),
                           ellipsoid({-0.09f, -0.41f, 0.034f}, {0.019f, 0.023f, 0.009f}, Bone)},
                          0.014f);
    return meshShape(f, 1900);
}

Mesh lowerLeg()
{
    const Shape bones = unite({ellipsoid({-0.09f, -0.462f, 0.0f}, {0.039f, 0.014f, 0.027f}, Bone),
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
        m.append(sweepRound(smoothPath({{x, -0.872f, 0.095f}, {x, -0.874f, 0.095f + len * 0.6f}, {x, -0.87f, 0.095f + len}}, 5),
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
    return meshShape(unite({ellipsoid({0, 0.015f, -0.005f}, {0.08f, 0.092f, 0.102f}, Ghost),
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
                    ellipsoid({s * 0.048f, -0.026f, 0.018f}, {0.024f, 0.026f, 0.045f}, GreyMatter), 0.02f);
    h = clip(h, {s * 0.003f, 0, 0}, {-s, 0, 0}, 0.008f);
    h = clip(h, {0, -0.045f, 0}, {0, -1, 0}, 0.01f);
    h = clip(h, {0, -0.018f, 0.06f}, {0, -1, 0.7f}, 0.01f);
    h = subtract(h, moved(cerebellumShape(), {0, 0, -0.004f}), 0.01f);
    // Lateral and central sulci, then the pattern of the gyri.
    h = subtract(h, capsule({s * 0.072f, -0.01f, 0.035f}, {s * 0.062f, 0.018f, -0.035f}, 0.0045f, 0.0035f, Ghost), 0.003f);
    h = subtract(h, capsule({s * 0.012f, 0.078f, 0.0f}, {s * 0.066f, 0.016f, 0.018f}, 0.0035f, 0.003f, Ghost), 0.002f);
    h = displace(h, [side](V3 p) {
        const float n = noise3(p * 55.0f, side > 0 ? 11 : 12) + 0.5f * noise3(p * 110.0f, 13);
        return 0.0032f * (std::min(std::abs(n) * 3.0f, 1.0f) - 0.6f);
    }, 0.0035f);
    return meshShape(h, 1980);
}

Mesh cerebellum()
{
    Shape c = cerebellumShape();
    c = subtract(c, ellipsoid({0, -0.04f, -0.09f}, {0.006f, 0.02f, 0.012f}, Ghost), 0.006f);
    c = displace(c, [](V3 p) { return 0.0016f * std::sin((p.y + 0.3f * p.z) * 560.0f); }, 0.0018f);
    const Shape peduncles = unite(capsule({-0.013f, -0.04f, -0.03f}, {-0.01f, -0.036f, -0.015f}, 0.007f, 0.006f, Cerebellum),
                                  capsule({0.013f, -0.04f, -0.03f}, {0.01f, -0.036f, -0.015f}, 0.007f, 0.006f, Cerebellum));
    return meshShape(unite(c, peduncles, 0.006f), 1950);
}

Mesh brainStem()
{
    const Shape stem = unite({tube({{0, 0.0f, -0.012f}, {0, -0.03f, -0.01f}, {0, -0.07f, -0.02f}, {0, -0.105f, -0.026f}},
                                   {0.013f, 0.015f, 0.0105f, 0.008f}, BrainStem, 0.008f),
                              ellipsoid({0, -0.038f, 0.003f}, {0.021f, 0.016f, 0.015f}, BrainStem),
                              capsule({-0.012f, -0.005f, -0.006f}, {-0.016f, 0.02f, 0.002f}, 0.008f, 0.007f, BrainStem),
                              capsule({0.012f, -0.005f, -0.006f}, {0.016f, 0.02f, 0.002f}, 0.008f, 0.007f, BrainStem)},
                             0.008f);
    const Shape olives = unite(ellipsoid({-0.008f, -0.068f, -0.01f}, {0.004f, 0.009f, 0.004f}, BrainStem),
                               ellipsoid({0.008f, -0.068f, -0.01f}, {0.004f, 0.009f, 0.004f}, BrainStem));
    return meshShape(unite(stem, olives, 0.003f), 1900);
}

Mesh eye(int side)
{
    const float s = float(side);
    const V3 c{s * 0.032f, -0.045f, 0.078f};
    Shape e = unite(sphere(c, 0.0122f, Sclera), sphere(c + V3{0, 0, 0.0072f}, 0.0072f, Sclera), 0.002f);
    e = paint(e, [c](V3 p) { return p.z > c.z + 0.0095f; }, Iris);
    e = paint(e, [c](V3 p) { return p.z > c.z + 0.0132f && std::abs(p.x - c.x) < 0.0025f && std::abs(p.y - c.y) < 0.0025f; }, Pupil);
    Mesh m = meshShape(e, 1400);
    m.append(sweepRound(smoothPath({c + V3{0, 0, -0.011f}, c + V3{-s * 0.006f, 0.002f, -0.025f}, {s * 0.012f, -0.04f, 0.035f}}, 8),
                        0.0032f, 0.0028f, 8, Nerve));
    return m;
}

} // namespace

std::vector<PuzzleSet> buildSets()
{
    std::vector<PuzzleSet> sets;

    const float torso = 1.1f;
    PuzzleSet organs;
    organs.fileBase = "organs";
    organs.name = "Organs of the trunk";
    organs.shape = {"trunk.md2", "Trunk", place(torsoGhost(), Frame::Supine, torso)};
    // Lying at the height of the trough floor, just in front of it, so a
    // piece carried on the drag plane passes through the ghost's middle.
    organs.shapePos = {-0.16f, 0.03f, 0.56f};
    const Mesh leftKidney = kidneyLeft();
    organs.parts = {
        {"heart.md2", "Heart", place(heart(), Frame::Supine, torso)},
        {"lung-right.md2", "Right lung", place(lung(-1), Frame::Supine, torso)},
        {"lung-left.md2", "Left lung", place(lung(1), Frame::Supine, torso)},
        {"liver.md2", "Liver and gallbladder", place(liver(), Frame::Supine, torso)},
        {"stomach.md2", "Stomach", place(stomach(), Frame::Supine, torso)},
        {"spleen.md2", "Spleen", place(spleen(), Frame::Supine, torso)},
        {"pancreas.md2", "Pancreas", place(pancreas(), Frame::Supine, torso)},
        {"kidney-left.md2", "Left kidney", place(leftKidney, Frame::Supine, torso)},
        {"kidney-right.md2", "Right kidney", place(mirrored(leftKidney, {0, -0.022f, 0}), Frame::Supine, torso)},
        {"bladder.md2", "Urinary bladder", place(bladder(), Frame::Supine, torso)},
        {"small-intestine.md2", "Small intestine", place(smallBowel(), Frame::Supine, torso)},
        {"large-intestine.md2", "Large intestine", place(largeBowel(), Frame::Supine, torso)},
    };
    sets.push_back(std::move(organs));

    // As large as the longest bone (the spine) still fits on the trough.
    const float body = 0.545f;
    PuzzleSet skeleton;
    skeleton.fileBase = "skeleton";
    skeleton.name = "The skeleton";
    skeleton.shape = {"body.md2", "Body", place(skeletonGhost(), Frame::Supine, body)};
    skeleton.shapePos = {-0.12f, 0.03f, 0.56f};
    const Mesh h = humerus(), fa = forearm(), fe = femur(), leg = lowerLeg();
    skeleton.parts = {
        {"skull.md2", "Skull", place(skull(), Frame::Supine, body)},
        {"spine.md2", "Vertebral column", place(spine(), Frame::Supine, body)},
        {"ribcage.md2", "Rib cage, sternum and clavicles", place(ribCage(), Frame::Supine, body)},
        {"pelvis.md2", "Pelvis and sacrum", place(pelvis(), Frame::Supine, body)},
        {"humerus-right.md2", "Right humerus", place(h, Frame::Supine, body)},
        {"humerus-left.md2", "Left humerus", place(mirrored(h, {}), Frame::Supine, body)},
        {"forearm-right.md2", "Right forearm and hand", place(fa, Frame::Supine, body)},
        {"forearm-left.md2", "Left forearm and hand", place(mirrored(fa, {}), Frame::Supine, body)},
        {"femur-right.md2", "Right femur and patella", place(fe, Frame::Supine, body)},
        {"femur-left.md2", "Left femur and patella", place(mirrored(fe, {}), Frame::Supine, body)},
        {"leg-right.md2", "Right tibia, fibula and foot", place(leg, Frame::Supine, body)},
        {"leg-left.md2", "Left tibia, fibula and foot", place(mirrored(leg, {}), Frame::Supine, body)},
    };
    sets.push_back(std::move(skeleton));

    const float head = 1.8f;
    PuzzleSet brain;
    brain.fileBase = "head";
    brain.name = "Brain and eyes";
    brain.shape = {"head.md2", "Head", place(headGhost(), Frame::Upright, head)};
    // Floating at the height of the trough, its middle on the drag plane.
    brain.shapePos = {-0.15f, 0.0f, 0.5f};
    brain.parts = {
        {"hemisphere-left.md2", "Left cerebral hemisphere", place(hemisphere(1), Frame::Upright, head)},
        {"hemisphere-right.md2", "Right cerebral hemisphere", place(hemisphere(-1), Frame::Upright, head)},
        {"cerebellum.md2", "Cerebellum", place(cerebellum(), Frame::Upright, head)},
        {"brainstem.md2", "Brain stem", place(brainStem(), Frame::Upright, head)},
        {"eye-left.md2", "Left eye and optic nerve", place(eye(1), Frame::Upright, head)},
        {"eye-right.md2", "Right eye and optic nerve", place(eye(-1), Frame::Upright, head)},
    };
    sets.push_back(std::move(brain));
    return sets;
}
