// The heart in its parts: the four chambers, the great vessels and the
// coronary arteries, modelled around the heart's own middle.

#include "anatomy.h"
#include "modelling.h"
#include "tissues.h"

#include <cmath>

namespace {

struct Heart
{
    Shape leftVentricle, rightVentricle, rightAtrium, leftAtrium;
    Shape aorta, pulmonaryTrunk, superiorCava, inferiorCava;
};

// The atrioventricular groove: the ventricles lie on the apex side of this
// plane, the atria on the other.
const V3 basePoint{0.0f, 0.018f, -0.01f};
const V3 baseNormal = normalized(V3{-0.35f, 0.75f, -0.45f});

Heart heartShapes()
{
    Heart h;
    const Shape lvWall =
        capsule({0.012f, 0.014f, -0.018f}, {0.054f, -0.056f, 0.014f}, 0.038f, 0.012f, Myocardium);
    h.leftVentricle = clip(lvWall, basePoint, baseNormal, 0.006f);

    // The right ventricle wraps the left one in front and runs up into the
    // outflow cone under the pulmonary valve.
    Shape rv = moved(rotated(ellipsoid({}, {0.046f, 0.036f, 0.025f}, Myocardium), {0, 0, 1}, -28),
                     {-0.012f, -0.008f, 0.024f});
    rv = clip(rv, basePoint, baseNormal, 0.006f);
    rv = unite(
        rv, capsule({-0.004f, 0.004f, 0.03f}, {0.012f, 0.04f, 0.03f}, 0.017f, 0.0135f, Myocardium),
        0.012f);
    h.rightVentricle = subtract(rv, lvWall, 0.003f);

    // Great vessels, then the atria fitted round them.
    h.aorta = unite(
        {sphere({-0.005f, 0.036f, 0.006f}, 0.0155f, Artery),
         tube({{-0.004f, 0.03f, 0.004f},
               {-0.01f, 0.06f, 0.012f},
               {-0.014f, 0.088f, 0.008f},
               {-0.006f, 0.108f, -0.006f},
               {0.01f, 0.113f, -0.026f},
               {0.022f, 0.1f, -0.048f},
               {0.024f, 0.075f, -0.066f},
               {0.022f, 0.045f, -0.074f}},
              {0.0135f, 0.014f, 0.0135f, 0.0125f, 0.012f, 0.0115f, 0.011f, 0.011f}, Artery, 0.01f),
         capsule({-0.008f, 0.108f, -0.004f}, {-0.016f, 0.128f, 0.0f}, 0.0068f, 0.006f,
                 Artery), // brachiocephalic trunk
         capsule({0.004f, 0.112f, -0.017f}, {0.006f, 0.129f, -0.017f}, 0.0048f, 0.0045f,
                 Artery), // left common carotid
         capsule({0.014f, 0.108f, -0.032f}, {0.02f, 0.127f, -0.037f}, 0.0052f, 0.005f,
                 Artery)}, // left subclavian
        0.004f);
    // The pulmonary trunk and its two arteries, the right one under the arch.
    const V3 fork{0.017f, 0.082f, 0.004f};
    h.pulmonaryTrunk = unite({tube({{0.013f, 0.048f, 0.029f}, {0.018f, 0.064f, 0.021f}, fork},
                                   {0.0135f, 0.0135f, 0.012f}, Vein, 0.006f),
                              tube({fork, {0.033f, 0.086f, -0.01f}, {0.048f, 0.083f, -0.019f}},
                                   {0.0095f, 0.009f, 0.008f}, Vein, 0.004f),
                              tube({fork,
                                    {0.0f, 0.084f, -0.018f},
                                    {-0.022f, 0.082f, -0.024f},
                                    {-0.042f, 0.079f, -0.026f}},
                                   {0.0095f, 0.009f, 0.0085f, 0.008f}, Vein, 0.004f)},
                             0.006f);

    const Shape raBody = ellipsoid({-0.04f, 0.03f, -0.008f}, {0.024f, 0.032f, 0.025f}, Myocardium);
    // The auricles: wrinkled ears lapping round the roots of the great arteries.
    const Shape rightAuricle = displace(
        moved(rotated(ellipsoid({}, {0.022f, 0.012f, 0.009f}, Myocardium), {0, 0, 1}, 25),
              {-0.022f, 0.045f, 0.025f}),
        [](V3 p) { return 0.0009f * noise3(p * 220.0f, 31); }, 0.001f);
    Shape ra = clip(unite(raBody, rightAuricle, 0.008f), basePoint + baseNormal * 0.002f,
                    baseNormal * -1.0f, 0.004f);
    ra = subtract(subtract(ra, h.aorta, 0.002f), unite(h.leftVentricle, h.rightVentricle), 0.002f);
    h.rightAtrium = ra;

    Shape la = ellipsoid({0.008f, 0.035f, -0.038f}, {0.034f, 0.021f, 0.021f}, Myocardium);
    const Shape leftAuricle = displace(
        tube({{0.03f, 0.044f, -0.022f},
              {0.045f, 0.043f, -0.002f},
              {0.043f, 0.047f, 0.014f},
              {0.036f, 0.05f, 0.021f}},
             {0.0095f, 0.0085f, 0.0075f, 0.006f}, Myocardium, 0.004f),
        [](V3 p) { return 0.0009f * noise3(p * 220.0f, 32); }, 0.001f);
    la = clip(unite(la, leftAuricle, 0.006f), basePoint + baseNormal * 0.002f, baseNormal * -1.0f,
              0.004f);
    // Four pulmonary veins bring red blood in from the lungs.
    std::vector<Shape> veins = {la};
    for (float side : {-1.0f, 1.0f})
        for (float y : {0.043f, 0.026f}) {
            const V3 from{side > 0 ? 0.028f : -0.012f, y, -0.046f};
            veins.push_back(capsule(from, from + V3{side * 0.022f, (y - 0.035f) * 0.4f, -0.008f},
                                    0.0058f, 0.0055f, Artery));
        }
    la = unite(veins, 0.004f);
    la = subtract(la, unite({ra, h.aorta, h.pulmonaryTrunk, h.leftVentricle, h.rightVentricle}),
                  0.002f);
    h.leftAtrium = la;

    const Shape svc = unite(
        {tube({{-0.04f, 0.056f, -0.004f}, {-0.038f, 0.085f, -0.002f}, {-0.036f, 0.115f, 0.0f}},
              {0.0095f, 0.0095f, 0.0095f}, Vein, 0.004f),
         capsule({-0.036f, 0.115f, 0.0f}, {-0.042f, 0.136f, 0.002f}, 0.008f, 0.0075f,
                 Vein), // right brachiocephalic
         tube({{-0.036f, 0.115f, 0.0f}, {-0.015f, 0.125f, 0.013f}, {0.02f, 0.132f, 0.015f}},
              {0.0068f, 0.0065f, 0.006f}, Vein,
              0.003f)}, // left brachiocephalic, crossing in front of the arch's branches
        0.004f);
    h.superiorCava = svc;
    // The inferior vena cava with the hepatic veins joining it under the diaphragm.
    h.inferiorCava = unite(
        {capsule({-0.037f, 0.006f, -0.016f}, {-0.036f, -0.034f, -0.021f}, 0.0118f, 0.0115f, Vein),
         capsule({-0.04f, -0.02f, -0.017f}, {-0.06f, -0.03f, -0.006f}, 0.0055f, 0.005f, Vein),
         capsule({-0.033f, -0.024f, -0.012f}, {-0.022f, -0.036f, 0.002f}, 0.005f, 0.0045f, Vein)},
        0.004f);
    return h;
}

// The coronary arteries laid in the grooves between the chambers.
Mesh coronaries(const Heart &h)
{
    const Shape surface =
        unite({h.leftVentricle, h.rightVentricle, h.rightAtrium, h.leftAtrium}, 0.006f);
    auto vessel = [&](const std::vector<V3> &controls, float r0, float r1) {
        std::vector<V3> path = smoothPath(controls, int(controls.size()) * 6);
        for (V3 &p : path)
            p = onSurface(surface, p, r0 * 0.4f);
        return sweepRound(path, r0, r1, 7, Artery);
    };
    Mesh m;
    // Left coronary: the anterior descending branch to the apex, the
    // circumflex round the left side, and a diagonal branch.
    m.append(vessel({{0.006f, 0.042f, 0.012f},
                     {0.024f, 0.039f, 0.014f},
                     {0.031f, 0.024f, 0.028f},
                     {0.035f, 0.0f, 0.032f},
                     {0.04f, -0.026f, 0.028f},
                     {0.046f, -0.046f, 0.02f},
                     {0.052f, -0.058f, 0.008f}},
                    0.0032f, 0.0022f));
    m.append(vessel({{0.024f, 0.039f, 0.014f},
                     {0.041f, 0.03f, -0.004f},
                     {0.047f, 0.019f, -0.025f},
                     {0.036f, 0.008f, -0.046f},
                     {0.016f, 0.0f, -0.052f}},
                    0.003f, 0.0022f));
    m.append(vessel({{0.035f, 0.004f, 0.032f}, {0.05f, -0.01f, 0.022f}, {0.058f, -0.022f, 0.006f}},
                    0.0024f, 0.0018f));
    // Right coronary: round the right margin to the back, with its marginal branch.
    m.append(vessel({{-0.012f, 0.04f, 0.022f},
                     {-0.028f, 0.03f, 0.032f},
                     {-0.041f, 0.01f, 0.031f},
                     {-0.046f, -0.012f, 0.02f},
                     {-0.04f, -0.027f, 0.0f},
                     {-0.024f, -0.032f, -0.02f}},
                    0.0032f, 0.0024f));
    m.append(
        vessel({{-0.046f, -0.008f, 0.022f}, {-0.03f, -0.034f, 0.032f}, {-0.008f, -0.046f, 0.03f}},
               0.0024f, 0.0018f));
    return m;
}

Mesh heartGhost(const Heart &h)
{
    const Shape all = unite({h.leftVentricle, h.rightVentricle, h.rightAtrium, h.leftAtrium,
                             h.aorta, h.pulmonaryTrunk, h.superiorCava, h.inferiorCava},
                            0.006f);
    return meshShape({[all](V3 p) {
                          return Sample{all(p).d - 0.004f, Ghost};
                      },
                      all.box.grown(0.004f)},
                     1980);
}

} // namespace

std::vector<PuzzleSet> heartSets()
{
    // Lying on its back like the body in the other sets (top to the left),
    // as large as the aorta and the pulmonary trunk still fit on the trough.
    // The aorta arches over the pulmonary trunk and the coronary arteries lie
    // on the ventricles: the right heart with its veins, and the left heart
    // with the aorta and its first branches, are a set each. Neighbours of one
    // tissue are told apart: the atria are a darker red than the ventricles,
    // the pulmonary trunk a lighter blue than the superior vena cava behind
    // it, the coronary arteries a darker red than the aorta they leave.
    const float s = 2.68f;
    auto at = [s](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, Frame::Supine, s)};
    };
    const Heart h = heartShapes();
    const PieceModel outline = at("heart-outline.md2", "Heart", heartGhost(h));
    const V3 where{-0.17f, 0.03f, 0.56f};
    const IconView icon{90.0f, 78.0f, 0.07f, 1.0f};
    return {
        bodySet(
            "heart", "The heart, right side", outline, where, Frame::Supine,
            {at("heart-right-atrium.md2", "Right atrium",
                tinted(meshShape(h.rightAtrium, 1960), Myocardium, Atrium)),
             at("heart-right-ventricle.md2", "Right ventricle", meshShape(h.rightVentricle, 1960)),
             at("heart-superior-vena-cava.md2", "Superior vena cava",
                meshShape(h.superiorCava, 1500)),
             at("heart-inferior-vena-cava.md2", "Inferior vena cava",
                meshShape(h.inferiorCava, 900)),
             at("heart-pulmonary-trunk.md2", "Pulmonary trunk",
                tinted(meshShape(h.pulmonaryTrunk, 1960), Vein, VeinLight))},
            icon),
        bodySet("heart-left", "The heart, left side", outline, where, Frame::Supine,
                {at("heart-left-atrium.md2", "Left atrium",
                    tinted(meshShape(h.leftAtrium, 1960), Myocardium, Atrium)),
                 at("heart-left-ventricle.md2", "Left ventricle", meshShape(h.leftVentricle, 1960)),
                 at("heart-aorta.md2", "Aorta", meshShape(h.aorta, 1960)),
                 at("heart-coronary-arteries.md2", "Coronary arteries",
                    tinted(coronaries(h), Artery, ArteryDark))},
                icon)};
}
