// Re-encoding a 160 x 160 picture as JPEG, as the picture fetch does.

#include <benchmark/benchmark.h>

#include "assets/Assets.h"
#include "imaging/Picture.h"

namespace kestrova::bench {

namespace {

void BM_ReencodeAsJpeg_160x160(benchmark::State& state) {
    const ByteBuffer avatar = assets::ToByteBuffer(assets::SamplePicture("avatar_1.jpg"));
    const PictureSize size = ProbePictureSize(avatar);
    if (size.width != 160 || size.height != 160) {
        state.SkipWithError("the sample avatar is not 160 x 160");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReencodeAsJpeg(avatar));
    }
}

}  // namespace

BENCHMARK(BM_ReencodeAsJpeg_160x160);

}  // namespace kestrova::bench
