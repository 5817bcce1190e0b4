#include "arm.h"

#include "anatomy.h"
#include "modelling.h"
#include "tissues.h"

#include <cmath>

namespace arm {
namespace {

constexpr float elbowY = -0.285f; // below the centre of the humeral head
constexpr float carrying = -8.0f; // the forearm leans out from the elbow
constexpr float gap = 0.0025f;    // joint space between two bones of a ray

// The forearm and the hand are modelled hanging straight down from the
// elbow (origin at the elbow), then turned out by the carrying angle.
V3 fromForearm(V3 p)
{
    return rotate(p, {0, 0, 1}, carrying) + elbow();
}
Shape forearmShape(const Shape &s)
{
    return moved(rotated(s, {0, 0, 1}, carrying), elbow());
}

float sq(float v)
{
    return v * v;
}

// Thickness of a long bone of the hand along its length (t from base to
// head): broad base, slim shaft, knobbly head, rounded ends.
float rayProfile(float t, bool distal)
{
    float f =
        distal ? 0.6f + 0.42f * std::exp(-sq(t / 0.16f)) + 0.16f * std::exp(-sq((1 - t) / 0.12f))
               : 0.66f + 0.38f * std::exp(-sq(t / 0.14f)) + 0.24f * std::exp(-sq((1 - t) / 0.16f));
    const float end =
        std::min(std::clamp(t / 0.06f, 0.0f, 1.0f), std::clamp((1 - t) / 0.08f, 0.0f, 1.0f));
    return f * (0.5f + 0.5f * std::sqrt(end));
}

Mesh handBone(V3 a, V3 b, float r, bool distal, int sides, int rings)
{
    std::vector<V3> path;
    std::vector<float> width, depth;
    const float len = length(b - a);
    for (int i = 0; i < rings; ++i) {
        const float t = 0.5f - 0.5f * std::cos(pi * float(i) / float(rings - 1));
        // The shaft bows a little towards the back of the hand.
        path.push_back(lerp(a, b, t) + V3{0, 0, -0.05f * len * std::sin(pi * t)});
        width.push_back(r * rayProfile(t, distal));
        depth.push_back(r * rayProfile(t, distal) * (distal ? 0.72f : 0.85f));
    }
    return sweep(path, width, depth, {1, 0, 0}, sides, Bone);
}

// One ray of the hand: a metacarpal and two or three phalanges.
struct Ray
{
    V3 base;      // carpometacarpal joint
    V3 direction; // of the metacarpal
    float spread; // degrees about z at the knuckle (+: towards the little finger)
    float len[4]; // metacarpal, proximal, middle, distal (0: none)
    float radius[4];
};

const Ray rays[5] = {
    {{-0.028f, -0.287f, 0.009f},
     {-0.55f, -0.72f, 0.42f},
     -6,
     {0.043f, 0.030f, 0, 0.023f},
     {0.0056f, 0.0052f, 0, 0.0043f}},
    {{-0.013f, -0.294f, 0.002f},
     {-0.09f, -1, 0.03f},
     -3,
     {0.064f, 0.039f, 0.023f, 0.017f},
     {0.0052f, 0.0048f, 0.0038f, 0.0032f}},
    {{0.0f, -0.296f, 0.0f},
     {0.0f, -1, 0.03f},
     0,
     {0.062f, 0.044f, 0.027f, 0.019f},
     {0.0055f, 0.005f, 0.004f, 0.0033f}},
    {{0.012f, -0.293f, 0.0f},
     {0.07f, -1, 0.03f},
     3,
     {0.055f, 0.041f, 0.026f, 0.018f},
     {0.0047f, 0.0046f, 0.0038f, 0.0032f}},
    {{0.022f, -0.29f, 0.002f},
     {0.15f, -1, 0.04f},
     6,
     {0.05f, 0.032f, 0.018f, 0.016f},
     {0.0045f, 0.004f, 0.0033f, 0.003f}},
};

// Walks the ray from its base, bending each joint a little towards the
// palm; emits the bones from..to-1 (0 metacarpal, 1-3 phalanges). Returns
// the tip, in the forearm frame.
V3 walkRay(const Ray &ray, int from, int to, int sides, int rings, Mesh *out)
{
    const float flex[4] = {0, 6, 10, 6};
    V3 at = ray.base, dir = normalized(ray.direction);
    for (int b = 0; b < 4; ++b) {
        if (ray.len[b] <= 0)
            continue;
        if (b == 1)
            dir = rotate(dir, {0, 0, 1}, ray.spread);
        dir = normalized(rotate(dir, cross(dir, {0, 0, 1}), flex[b]));
        const V3 end = at + dir * ray.len[b];
        if (out && b >= from && b < to)
            out->append(handBone(at, end, ray.radius[b], b == 3, sides, rings));
        at = end + dir * gap;
    }
    return at;
}

Mesh rayBones(int from, int to, int sides, int rings)
{
    Mesh m;
    for (const Ray &ray : rays)
        walkRay(ray, from, to, sides, rings, &m);
    return transformed(m, {}, {0, 0, 1}, carrying, 1.0f, elbow());
}

} // namespace

V3 elbow()
{
    return {0, elbowY, 0.004f};
}
V3 wrist()
{
    return fromForearm({-0.004f, -0.252f, 0.002f});
}
std::vector<std::pair<V3, V3>> fingers()
{
    std::vector<std::pair<V3, V3>> out;
    for (const Ray &ray : rays) {
        Ray metacarpal = ray;
        std::fill(metacarpal.len + 1, metacarpal.len + 4, 0.0f);
        out.push_back({fromForearm(walkRay(metacarpal, 0, 0, 0, 0, nullptr)),
                       fromForearm(walkRay(ray, 0, 0, 0, 0, nullptr))});
    }
    return out;
}

Shape humerus()
{
    const float e = elbowY;
    Shape h = unite(
        {sphere({0.004f, 0.0f, -0.004f}, 0.022f, Bone),
         ellipsoid({-0.018f, 0.002f, 0.002f}, {0.01f, 0.016f, 0.013f}, Bone),   // greater tubercle
         ellipsoid({-0.004f, -0.008f, 0.017f}, {0.007f, 0.009f, 0.006f}, Bone), // lesser tubercle
         tube({{-0.006f, -0.01f, -0.002f},
               {-0.01f, -0.05f, 0.0f},
               {-0.011f, -0.15f, 0.0f},
               {-0.006f, e + 0.045f, -0.001f}},
              {0.017f, 0.0115f, 0.0105f, 0.011f}, Bone, 0.01f),
         ellipsoid({-0.019f, -0.12f, 0.004f}, {0.0045f, 0.02f, 0.006f}, Bone), // deltoid tuberosity
         triangle({-0.008f, e + 0.07f, 0.0f}, {-0.03f, e + 0.004f, 0.0f},
                  {0.02f, e - 0.002f, -0.002f}, 0.0065f, Bone),
         ellipsoid({-0.004f, e + 0.012f, -0.001f}, {0.024f, 0.016f, 0.0095f}, Bone),
         sphere({0.023f, e - 0.004f, -0.003f}, 0.0085f, Bone), // medial epicondyle
         sphere({-0.029f, e - 0.002f, 0.0f}, 0.0062f, Bone),   // lateral epicondyle
         capsule({-0.003f, e - 0.003f, 0.004f}, {0.013f, e - 0.003f, 0.004f}, 0.0105f, 0.0105f,
                 Bone),                                // trochlea
         sphere({-0.016f, e, 0.008f}, 0.0095f, Bone)}, // capitulum
        0.006f);
    h = subtract(
        h, capsule({-0.011f, 0.012f, 0.017f}, {-0.012f, -0.05f, 0.013f}, 0.0035f, 0.003f, Ghost),
        0.002f);
    h = subtract(h,
                 moved(rotated(torus({}, 0.0118f, 0.0028f, Ghost), {0, 1, 0}, 90),
                       {0.005f, e - 0.003f, 0.004f}),
                 0.001f);
    h = subtract(h, ellipsoid({0.002f, e + 0.014f, -0.013f}, {0.011f, 0.014f, 0.006f}, Ghost),
                 0.004f); // olecranon fossa
    h = subtract(h, ellipsoid({0.004f, e + 0.01f, 0.012f}, {0.007f, 0.008f, 0.004f}, Ghost),
                 0.003f); // coronoid fossa
    return h;
}

Shape ulna()
{
    Shape u = unite(
        {ellipsoid({0.006f, -0.014f, -0.005f}, {0.0105f, 0.022f, 0.0125f}, Bone),
         ellipsoid({0.006f, 0.008f, -0.016f}, {0.0095f, 0.016f, 0.0095f}, Bone), // olecranon
         ellipsoid({0.006f, -0.016f, 0.01f}, {0.008f, 0.0055f, 0.007f}, Bone),   // coronoid process
         tube({{0.007f, -0.03f, -0.003f},
               {0.01f, -0.13f, -0.001f},
               {0.012f, -0.225f, 0.0f},
               {0.013f, -0.24f, 0.001f}},
              {0.0085f, 0.0068f, 0.0058f, 0.0065f}, Bone, 0.006f),
         sphere({0.013f, -0.243f, 0.001f}, 0.0082f, Bone),
         capsule({0.017f, -0.246f, -0.005f}, {0.0185f, -0.256f, -0.005f}, 0.0028f, 0.0022f, Bone)},
        0.005f);
    // The trochlear notch that grips the humerus.
    u = subtract(
        u, capsule({-0.006f, -0.003f, 0.0f}, {0.018f, -0.003f, 0.0f}, 0.0125f, 0.0125f, Ghost),
        0.002f);
    return forearmShape(u);
}

Shape radius()
{
    Shape r = unite(
        {capsule({-0.016f, -0.014f, 0.004f}, {-0.016f, -0.021f, 0.004f}, 0.0105f, 0.0105f, Bone),
         capsule({-0.016f, -0.024f, 0.004f}, {-0.015f, -0.042f, 0.003f}, 0.0065f, 0.0065f, Bone),
         ellipsoid({-0.011f, -0.05f, 0.007f}, {0.005f, 0.008f, 0.005f}, Bone), // radial tuberosity
         tube({{-0.015f, -0.042f, 0.003f},
               {-0.021f, -0.11f, 0.003f},
               {-0.024f, -0.18f, 0.002f},
               {-0.02f, -0.222f, 0.002f}},
              {0.0068f, 0.0075f, 0.0088f, 0.0115f}, Bone, 0.008f),
         ellipsoid({-0.013f, -0.238f, 0.002f}, {0.018f, 0.011f, 0.0105f}, Bone),
         capsule({-0.029f, -0.234f, 0.0f}, {-0.032f, -0.25f, 0.001f}, 0.0038f, 0.003f,
                 Bone), // styloid process
         ellipsoid({-0.012f, -0.232f, -0.009f}, {0.003f, 0.006f, 0.003f}, Bone)},
        0.005f);
    r = subtract(r, sphere({-0.016f, -0.001f, 0.004f}, 0.0105f, Ghost),
                 0.002f); // the dish under the capitulum
    r = subtract(r, sphere({0.013f, -0.243f, 0.001f}, 0.0095f, Ghost),
                 0.002f); // where the ulna's head turns
    return forearmShape(r);
}

Shape carpals()
{
    // Proximal row (scaphoid, lunate, triquetrum, pisiform), then the distal
    // row (trapezium, trapezoid, capitate, hamate with its hook): knobbly
    // blocks packed close, yet apart enough to read as eight bones.
    auto block = [](V3 c, V3 half, float turn) {
        return moved(
            rotated(roundBox({}, half * 0.93f, std::min({half.x, half.y, half.z}) * 0.7f, Bone),
                    {0, 0, 1}, turn),
            c);
    };
    const Shape c = unite(
        {block({-0.0175f, -0.2615f, 0.003f}, {0.0095f, 0.0062f, 0.0068f}, -25),
         block({-0.003f, -0.2605f, 0.001f}, {0.007f, 0.007f, 0.0078f}, 0),
         block({0.0105f, -0.2645f, 0.0f}, {0.0062f, 0.006f, 0.0062f}, 15),
         sphere({0.0145f, -0.2665f, 0.0095f}, 0.0045f, Bone),
         block({-0.0245f, -0.2795f, 0.006f}, {0.0072f, 0.0072f, 0.0068f}, -20),
         block({-0.0125f, -0.2815f, 0.002f}, {0.0052f, 0.0068f, 0.0066f}, 0),
         block({0.0f, -0.282f, 0.0f}, {0.0068f, 0.0102f, 0.0085f}, 0),
         block({0.0132f, -0.2808f, 0.0f}, {0.0068f, 0.0092f, 0.0076f}, 8),
         capsule({0.015f, -0.283f, 0.005f}, {0.0165f, -0.285f, 0.0105f}, 0.0028f, 0.0026f, Bone)});
    return forearmShape(c);
}

Mesh metacarpals(int sides, int rings)
{
    return rayBones(0, 1, sides, rings);
}
Mesh phalanges(int sides, int rings)
{
    return rayBones(1, 4, sides, rings);
}

} // namespace arm

namespace {

Mesh scapula()
{
    const V3 lateral{0.048f, -0.018f, -0.028f}, superior{0.125f, 0.028f, -0.075f},
        inferior{0.105f, -0.135f, -0.082f};
    const V3 back = normalized(
        cross(superior - lateral, inferior - lateral)); // the posterior surface faces this way
    // The body: a triangle with a thick lateral border, hollow in front where it lies on the ribs.
    const Mesh body = blade(
        {{0.05f, -0.022f, -0.03f},
         {0.07f, -0.075f, -0.05f},
         {0.09f, -0.115f, -0.068f},
         {0.105f, -0.138f, -0.08f},
         {0.114f, -0.09f, -0.082f},
         {0.12f, -0.03f, -0.08f},
         {0.125f, 0.026f, -0.074f},
         {0.095f, 0.02f, -0.06f},
         {0.065f, 0.014f, -0.04f},
         {0.052f, 0.008f, -0.03f}},
        {0.0065f, 0.006f, 0.005f, 0.0045f, 0.0035f, 0.0035f, 0.0035f, 0.003f, 0.0035f, 0.006f}, 40,
        back, 0.0022f, 0.006f, Bone);
    const V3 spineMedial = lerp(superior, inferior, 0.25f) + back * 0.002f,
             spineLateral = lerp(lateral, superior, 0.35f);
    const V3 spineTop = spineLateral + back * 0.016f + V3{-0.008f, 0.014f, 0.0f};
    const Shape processes = unite(
        {ellipsoid({0.033f, -0.002f, -0.008f}, {0.007f, 0.019f, 0.0135f}, Bone), // glenoid rim
         capsule({0.036f, -0.002f, -0.01f}, {0.052f, -0.012f, -0.026f}, 0.011f, 0.009f, Bone),
         // The spine, a fin standing off the back, runs out into the acromion over the shoulder joint.
         triangle(spineMedial, spineLateral, spineTop, 0.0045f, Bone),
         triangle(spineMedial, spineTop, spineMedial + back * 0.008f, 0.0045f, Bone),
         tube({spineMedial + back * 0.008f,
               spineTop,
               {0.028f, 0.037f, -0.034f},
               {0.006f, 0.04f, -0.018f}},
              {0.0055f, 0.0068f, 0.0065f, 0.006f}, Bone, 0.006f),
         ellipsoid({-0.004f, 0.038f, -0.007f}, {0.016f, 0.0055f, 0.014f}, Bone),
         // The coracoid process hooks forwards under the clavicle.
         tube({{0.045f, 0.012f, -0.012f},
               {0.045f, 0.03f, 0.002f},
               {0.032f, 0.031f, 0.026f},
               {0.023f, 0.025f, 0.033f}},
              {0.006f, 0.0055f, 0.005f, 0.0045f}, Bone, 0.004f)},
        0.005f);
    return merge({body, meshShape(subtract(processes,
                                           sphere({0.004f, 0.0f, -0.004f}, 0.0245f, Ghost), 0.003f),
                                  1500)});
}

Mesh clavicle()
{
    const std::vector<V3> keys = {{0.0f, 0.042f, 0.014f},   {0.025f, 0.046f, 0.016f},
                                  {0.055f, 0.046f, 0.026f}, {0.09f, 0.043f, 0.04f},
                                  {0.12f, 0.038f, 0.045f},  {0.145f, 0.032f, 0.04f},
                                  {0.16f, 0.028f, 0.032f}};
    // Flat at the shoulder, round and stout where it meets the sternum.
    const float widthKeys[] = {0.0105f, 0.009f, 0.0068f, 0.0062f, 0.0066f, 0.0085f, 0.0095f};
    const float depthKeys[] = {0.0042f, 0.0048f, 0.0058f, 0.0062f, 0.0068f, 0.008f, 0.0085f};
    const int n = 30;
    const std::vector<V3> path = smoothPath(keys, n);
    std::vector<float> width, depth;
    for (int i = 0; i < n; ++i) {
        const float u = float(i) / float(n - 1) * 6.0f;
        const int k = std::min(int(u), 5);
        width.push_back(widthKeys[k] + (widthKeys[k + 1] - widthKeys[k]) * (u - k));
        depth.push_back(depthKeys[k] + (depthKeys[k + 1] - depthKeys[k]) * (u - k));
    }
    return sweep(path, width, depth, {0, 0, 1}, 14, Bone);
}

// The arm's outline: shoulder, upper arm, forearm and an open hand, with
// the shoulder blade and the collarbone under the skin of the back and chest.
Mesh armGhost()
{
    const V3 wrist = arm::wrist();
    const auto fingers = arm::fingers();
    std::vector<Shape> hand = {ellipsoid(lerp(wrist, fingers[2].first, 0.55f) + V3{0, 0, 0.004f},
                                         {0.043f, 0.05f, 0.02f}, Ghost)};
    for (const auto &[knuckle, tip] : fingers)
        hand.push_back(capsule(lerp(wrist, knuckle, 0.5f), tip, 0.012f, 0.0085f, Ghost));
    const Shape limb =
        unite({ellipsoid({-0.01f, -0.012f, -0.002f}, {0.052f, 0.062f, 0.055f}, Ghost),
               capsule({-0.01f, -0.03f, 0.0f}, arm::elbow(), 0.045f, 0.035f, Ghost),
               capsule(arm::elbow(), wrist, 0.036f, 0.024f, Ghost), unite(hand, 0.008f),
               ellipsoid({0.08f, -0.05f, -0.058f}, {0.058f, 0.105f, 0.036f}, Ghost),
               capsule({0.0f, 0.042f, 0.014f}, {0.16f, 0.028f, 0.032f}, 0.02f, 0.018f, Ghost)},
              0.03f);
    return meshShape(limb, 1980);
}

} // namespace

std::vector<PuzzleSet> armSets(const Mesh &humerus)
{
    // The right arm, lying palm up beside the body, shoulder to the left; as
    // large as the humerus still fits on the trough. The radius lies too
    // close beside the ulna for a mouse to tell them apart at any size the
    // trough takes: the ulna goes with the bones it hinges on at the elbow,
    // the radius with the hand it carries at the wrist. Bones that meet at a
    // joint are told apart by their shade.
    const float s = 0.99f;
    auto at = [s](const char *file, const char *name, const Mesh &m) {
        return PieceModel{file, name, place(m, Frame::Supine, s)};
    };
    const PieceModel outline = at("arm-outline.md2", "Arm and shoulder", armGhost());
    const V3 where{-0.14f, 0.03f, 0.56f};
    // Seen from above with the hand to the lower right, so the long limb
    // fills the card's diagonal.
    const IconView icon{30.0f, 70.0f, 0.05f, 1.0f};
    return {
        bodySet("arm", "The shoulder, arm and ulna", outline, where, Frame::Supine,
                {at("arm-clavicle.md2", "Clavicle", clavicle()),
                 at("arm-scapula.md2", "Scapula", tinted(scapula(), Bone, BoneDark)),
                 at("arm-humerus.md2", "Humerus", humerus),
                 at("arm-ulna.md2", "Ulna", tinted(meshShape(arm::ulna(), 1960), Bone, BoneDark))},
                icon),
        bodySet(
            "hand", "The radius and hand", outline, where, Frame::Supine,
            {at("arm-radius.md2", "Radius", meshShape(arm::radius(), 1960)),
             at("arm-carpals.md2", "Carpal bones",
                tinted(meshShape(arm::carpals(), 1960), Bone, BoneDark)),
             at("arm-metacarpals.md2", "Metacarpal bones", arm::metacarpals(12, 13)),
             at("arm-phalanges.md2", "Phalanges", tinted(arm::phalanges(10, 11), Bone, BoneDark))},
            icon)};
}
