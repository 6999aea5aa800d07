#include "imaging/CanvasDraw.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KESTROVA_X86 1
#endif

namespace kestrova {
namespace {

// Pixels are carried through in spans of this many.
constexpr int kSpanLength = 2048;

struct Wide {
    std::uint32_t r, g, b, a;  // 16 bits each
};

enum class Cpu { Plain, Sse41, Avx2 };

Cpu DetectCpu() {
#ifdef KESTROVA_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return Cpu::Avx2;
    }
    if (__builtin_cpu_supports("sse4.1")) {
        return Cpu::Sse41;
    }
#endif
    return Cpu::Plain;
}

const Cpu kCpu = DetectCpu();

// c * a / 65535, rounded, for 16-bit values.
std::uint32_t MulRound16(std::uint32_t c, std::uint32_t a) {
    const std::uint32_t x = c * a;
    return (x + (x >> 16) + 0x8000) >> 16;
}

Wide Expand(std::uint32_t argb) {
    return {((argb >> 16) & 0xff) * 257, ((argb >> 8) & 0xff) * 257, (argb & 0xff) * 257,
            (argb >> 24) * 257};
}

// Exact premultiplication of one 8-bit straight pixel.
Wide PremultiplyExact(std::uint32_t argb) {
    Wide w = Expand(argb);
    if (w.a == 65535) {
        return w;
    }
    if (w.a == 0) {
        return {0, 0, 0, 0};
    }
    return {MulRound16(w.r, w.a), MulRound16(w.g, w.a), MulRound16(w.b, w.a), w.a};
}

// The vector premultiplication: the high half of the 16-bit product, nudged
// up where it reaches the upper half of the range.
Wide PremultiplyVector(std::uint32_t argb) {
    const Wide w = Expand(argb);
    auto one = [&](std::uint32_t c) {
        std::uint32_t v = (c * w.a) >> 16;
        return v + (v >> 15);
    };
    return {one(w.r), one(w.g), one(w.b), w.a};
}

// Straight 8-bit pixels to 16-bit premultiplied, in groups of `group`: a group
// all transparent becomes zero, a group all opaque is widened exactly, any
// other group takes the vector product for every pixel. Pixels after the last
// whole group are treated exactly one by one, unless `partialGroups` says the
// last group is a short vector group.
void FetchStraight(const std::uint32_t* in, Wide* out, int count, int group, bool partialGroups) {
    int i = 0;
    auto runGroup = [&](int start, int length) {
        bool anyVisible = false;
        bool allOpaque = true;
        for (int k = 0; k < length; ++k) {
            const std::uint32_t a = in[start + k] >> 24;
            anyVisible |= a != 0;
            allOpaque &= a == 255;
        }
        for (int k = 0; k < length; ++k) {
            const std::uint32_t p = in[start + k];
            if (!anyVisible) {
                out[start + k] = {0, 0, 0, 0};
            } else if (allOpaque) {
                out[start + k] = Expand(p);
            } else {
                out[start + k] = PremultiplyVector(p);
            }
        }
    };
    for (; i + group <= count; i += group) {
        runGroup(i, group);
    }
    if (i < count && partialGroups) {
        runGroup(i, count - i);
        return;
    }
    for (; i < count; ++i) {
        out[i] = PremultiplyExact(in[i]);
    }
}

void FetchSpan(const Raster& picture, int y, int x, int count, Wide* out) {
    const std::size_t at = static_cast<std::size_t>(y) * picture.width + x;
    switch (picture.kind) {
        case PixelKind::Straight: {
            const std::uint32_t* in = picture.argb.data() + at;
            if (kCpu == Cpu::Avx2) {
                FetchStraight(in, out, count, 8, true);
            } else if (kCpu == Cpu::Sse41) {
                FetchStraight(in, out, count, 4, false);
            } else {
                FetchStraight(in, out, count, count + 1, false);
            }
            break;
        }
        case PixelKind::Palette:
            for (int i = 0; i < count; ++i) {
                out[i] = PremultiplyExact(picture.argb[at + i]);
            }
            break;
        case PixelKind::Premultiplied:
        case PixelKind::Opaque:
            for (int i = 0; i < count; ++i) {
                const std::uint32_t p = picture.argb[at + i];
                out[i] = Expand(picture.kind == PixelKind::Opaque ? (p | 0xff000000u) : p);
            }
            break;
        case PixelKind::Wide:
            for (int i = 0; i < count; ++i) {
                const std::uint64_t p = picture.wide[at + i];
                const std::uint32_t a = static_cast<std::uint32_t>(p >> 48);
                out[i] = {MulRound16(static_cast<std::uint32_t>(p & 0xffff), a),
                          MulRound16(static_cast<std::uint32_t>((p >> 16) & 0xffff), a),
                          MulRound16(static_cast<std::uint32_t>((p >> 32) & 0xffff), a),
                          MulRound16(a, a)};
            }
            break;
    }
}

#ifdef KESTROVA_X86
// 1/a refined by one Newton-Raphson step from the hardware's estimate, times
// `scale`, for four alphas at once; the estimate differs between processors,
// so it must come from the instruction itself.
__attribute__((target("sse"))) void Reciprocals(const float alpha[4], float scale, float out[4]) {
    const __m128 a = _mm_loadu_ps(alpha);
    __m128 ia = _mm_rcp_ps(a);
    ia = _mm_sub_ps(_mm_add_ps(ia, ia), _mm_mul_ps(ia, _mm_mul_ps(ia, a)));
    ia = _mm_mul_ps(ia, _mm_set1_ps(scale));
    _mm_storeu_ps(out, ia);
}

__attribute__((target("sse"))) float Reciprocal(float alpha, float scale) {
    const __m128 a = _mm_set_ss(alpha);
    __m128 ia = _mm_rcp_ss(a);
    ia = _mm_sub_ss(_mm_add_ss(ia, ia), _mm_mul_ss(ia, _mm_mul_ss(ia, a)));
    ia = _mm_mul_ss(ia, _mm_set_ss(scale));
    return _mm_cvtss_f32(ia);
}
#endif

// float to int, to nearest with ties to even, as the vector conversion does.
std::int64_t RoundEven(float value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

std::uint32_t Clamp(std::int64_t value, std::int64_t high) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, high));
}

// The vector path narrows 32 to 16 bits unsigned, then 16 to 8 bits as if
// the 16-bit value were signed: values past 32767 come out as 0.
std::uint32_t PackToByte(std::int64_t value) {
    const std::uint32_t wide = Clamp(value, 65535);
    return wide > 32767 ? 0 : std::min<std::uint32_t>(wide, 255);
}

void PutRgb(std::uint8_t* rgb, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    rgb[0] = static_cast<std::uint8_t>(r);
    rgb[1] = static_cast<std::uint8_t>(g);
    rgb[2] = static_cast<std::uint8_t>(b);
}

void StoreExact(const Wide& p, std::uint8_t* rgb) {
    PutRgb(rgb, NarrowChannel(p.r), NarrowChannel(p.g), NarrowChannel(p.b));
}

// 16-bit premultiplied back to straight 8-bit colour.
void StoreSpan(const Wide* in, int count, std::uint8_t* rgb) {
#ifdef KESTROVA_X86
    if (kCpu != Cpu::Plain) {
        int i = 0;
        for (; i + 4 <= count; i += 4) {
            bool anyVisible = false;
            bool allOpaque = true;
            float alphas[4];
            for (int k = 0; k < 4; ++k) {
                anyVisible |= in[i + k].a != 0;
                allOpaque &= in[i + k].a == 65535;
                alphas[k] = static_cast<float>(in[i + k].a);
            }
            if (!anyVisible) {
                for (int k = 0; k < 4; ++k) {
                    PutRgb(rgb + 3 * (i + k), 0, 0, 0);
                }
                continue;
            }
            if (allOpaque) {
                for (int k = 0; k < 4; ++k) {
                    StoreExact(in[i + k], rgb + 3 * (i + k));
                }
                continue;
            }
            float inverse[4];
            Reciprocals(alphas, 255.0f, inverse);
            for (int k = 0; k < 4; ++k) {
                const Wide& p = in[i + k];
                if (p.a == 0) {
                    PutRgb(rgb + 3 * (i + k), 0, 0, 0);
                    continue;
                }
                auto one = [&](std::uint32_t c) {
                    return PackToByte(RoundEven(static_cast<float>(c) * inverse[k]));
                };
                PutRgb(rgb + 3 * (i + k), one(p.r), one(p.g), one(p.b));
            }
        }
        for (; i < count; ++i) {
            const Wide& p = in[i];
            if (p.a == 0) {
                PutRgb(rgb + 3 * i, 0, 0, 0);
            } else if (p.a == 65535) {
                StoreExact(p, rgb + 3 * i);
            } else {
                const float inverse = Reciprocal(static_cast<float>(p.a), 65535.0f);
                auto one = [&](std::uint32_t c) {
                    return NarrowChannel(Clamp(RoundEven(static_cast<float>(c) * inverse), 65535));
                };
                PutRgb(rgb + 3 * i, one(p.r), one(p.g), one(p.b));
            }
        }
        return;
    }
#endif
    for (int i = 0; i < count; ++i) {
        const Wide& p = in[i];
        if (p.a == 0) {
            PutRgb(rgb + 3 * i, 0, 0, 0);
            continue;
        }
        if (p.a == 65535) {
            StoreExact(p, rgb + 3 * i);
            continue;
        }
        const std::uint64_t factor = (0xffffffffffffull + p.a / 2) / p.a;
        auto one = [&](std::uint32_t c) {
            return NarrowChannel(static_cast<std::uint32_t>((c * factor + 0x80000000ull) >> 32));
        };
        PutRgb(rgb + 3 * i, one(p.r), one(p.g), one(p.b));
    }
}

}  // namespace

std::vector<std::uint8_t> DrawOnBlankCanvas(const Raster& picture) {
    const std::size_t width = static_cast<std::size_t>(picture.width);
    std::vector<std::uint8_t> rgb(width * static_cast<std::size_t>(picture.height) * 3);
    if (picture.kind == PixelKind::Opaque) {
        for (std::size_t i = 0; i < picture.argb.size(); ++i) {
            const std::uint32_t p = picture.argb[i];
            PutRgb(rgb.data() + 3 * i, (p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
        }
        return rgb;
    }
    std::vector<Wide> span(kSpanLength);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; x += kSpanLength) {
            const int count = std::min(kSpanLength, picture.width - x);
            FetchSpan(picture, y, x, count, span.data());
            StoreSpan(span.data(), count, rgb.data() + 3 * (y * width + x));
        }
    }
    return rgb;
}

}  // namespace kestrova
