#include "imaging/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

extern "C" {
#include <jpeglib.h>
}

namespace kestrova {
namespace {

constexpr int kQuality = 75;
constexpr int kDotsPerInch = 100;

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

extern "C" void LeaveOnError(j_common_ptr info) {
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    std::longjmp(trap->jump, 1);
}

extern "C" void KeepQuiet(j_common_ptr) {}

// The whole buffer at once; past its end, an end-of-image marker as often as
// libjpeg asks, so a stream cut short ends like a finished one.
struct MemorySource {
    jpeg_source_mgr manager;
    const ByteBuffer* bytes;
    bool handedOut;
    JOCTET endMarker[2];
};

extern "C" void NoOp(j_decompress_ptr) {}

extern "C" boolean Refill(j_decompress_ptr info) {
    auto* source = reinterpret_cast<MemorySource*>(info->src);
    if (!source->handedOut && !source->bytes->empty()) {
        source->handedOut = true;
        source->manager.next_input_byte = source->bytes->data();
        source->manager.bytes_in_buffer = source->bytes->size();
        return TRUE;
    }
    source->handedOut = true;
    source->endMarker[0] = 0xFF;
    source->endMarker[1] = JPEG_EOI;
    source->manager.next_input_byte = source->endMarker;
    source->manager.bytes_in_buffer = 2;
    return TRUE;
}

extern "C" void Skip(j_decompress_ptr info, long count) {
    auto* source = reinterpret_cast<MemorySource*>(info->src);
    if (count <= 0) {
        return;
    }
    while (count > static_cast<long>(source->manager.bytes_in_buffer)) {
        count -= static_cast<long>(source->manager.bytes_in_buffer);
        Refill(info);
    }
    source->manager.next_input_byte += count;
    source->manager.bytes_in_buffer -= static_cast<std::size_t>(count);
}

// One decompression from header to end; libjpeg's own state, freed on every path.
class Decompression {
  public:
    explicit Decompression(const ByteBuffer& bytes) {
        info_.err = jpeg_std_error(&trap_.manager);
        trap_.manager.error_exit = LeaveOnError;
        trap_.manager.output_message = KeepQuiet;
        jpeg_create_decompress(&info_);
        source_.manager.init_source = NoOp;
        source_.manager.fill_input_buffer = Refill;
        source_.manager.skip_input_data = Skip;
        source_.manager.resync_to_restart = jpeg_resync_to_restart;
        source_.manager.term_source = NoOp;
        source_.manager.bytes_in_buffer = 0;
        source_.manager.next_input_byte = nullptr;
        source_.bytes = &bytes;
        source_.handedOut = false;
        info_.src = &source_.manager;
    }
    ~Decompression() { jpeg_destroy_decompress(&info_); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    jpeg_decompress_struct& Info() { return info_; }
    std::jmp_buf& Jump() { return trap_.jump; }

  private:
    ErrorTrap trap_{};
    MemorySource source_{};
    jpeg_decompress_struct info_{};
};

// Reads the header as the decoder does; false when libjpeg gives up.
bool ReadHeader(Decompression& job) {
    jpeg_decompress_struct& info = job.Info();
    if (setjmp(job.Jump()) != 0) {
        return false;
    }
    // Markers are kept as the reader always kept them, so that a marker cut
    // short ends the stream the same way.
    jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    jpeg_calc_output_dimensions(&info);
    return true;
}

// One decoded row into pixels; kept out of the function that calls setjmp,
// where the compiler cannot keep values in registers.
__attribute__((noinline)) void ConvertRow(const JSAMPLE* in, int components, int width,
                                          std::uint32_t* out) {
    if (components == 1) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t g = in[x];
            out[x] = 0xff000000u | (g << 16) | (g << 8) | g;
        }
    } else if (components == 3) {
        for (int x = 0; x < width; ++x) {
            out[x] = 0xff000000u | (std::uint32_t{in[3 * x]} << 16) |
                     (std::uint32_t{in[3 * x + 1]} << 8) | in[3 * x + 2];
        }
    } else {
        // Inverted CMYK, as Adobe writes it: each of C, M, Y scaled by K.
        for (int x = 0; x < width; ++x) {
            const std::uint32_t k = in[4 * x + 3];
            const std::uint32_t r = k * in[4 * x] / 255;
            const std::uint32_t g = k * in[4 * x + 1] / 255;
            const std::uint32_t b = k * in[4 * x + 2] / 255;
            out[x] = 0xff000000u | (r << 16) | (g << 8) | b;
        }
    }
}

// Runs the decoder into `picture`; nothing it writes before a jump is read
// after one.
bool ReadPixels(Decompression& job, Raster& picture) {
    jpeg_decompress_struct& info = job.Info();
    if (setjmp(job.Jump()) != 0) {
        return false;
    }
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * info.output_components, 1);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, row, 1);
        ConvertRow(row[0], info.output_components, picture.width, picture.Row(y));
    }
    jpeg_finish_decompress(&info);
    return true;
}

struct MemoryDestination {
    jpeg_destination_mgr manager;
    ByteBuffer* out;
    JOCTET buffer[4096];
};

extern "C" void StartOutput(j_compress_ptr info) {
    auto* destination = reinterpret_cast<MemoryDestination*>(info->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = sizeof destination->buffer;
}

extern "C" boolean FlushOutput(j_compress_ptr info) {
    auto* destination = reinterpret_cast<MemoryDestination*>(info->dest);
    destination->out->insert(destination->out->end(), destination->buffer,
                             destination->buffer + sizeof destination->buffer);
    StartOutput(info);
    return TRUE;
}

extern "C" void EndOutput(j_compress_ptr info) {
    auto* destination = reinterpret_cast<MemoryDestination*>(info->dest);
    const std::size_t used = sizeof destination->buffer - destination->manager.free_in_buffer;
    destination->out->insert(destination->out->end(), destination->buffer,
                             destination->buffer + used);
}

class Compression {
  public:
    explicit Compression(ByteBuffer& out) {
        info_.err = jpeg_std_error(&trap_.manager);
        trap_.manager.error_exit = LeaveOnError;
        trap_.manager.output_message = KeepQuiet;
        jpeg_create_compress(&info_);
        destination_.manager.init_destination = StartOutput;
        destination_.manager.empty_output_buffer = FlushOutput;
        destination_.manager.term_destination = EndOutput;
        destination_.out = &out;
        info_.dest = &destination_.manager;
    }
    ~Compression() { jpeg_destroy_compress(&info_); }
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;

    jpeg_compress_struct& Info() { return info_; }
    std::jmp_buf& Jump() { return trap_.jump; }

  private:
    ErrorTrap trap_{};
    MemoryDestination destination_{};
    jpeg_compress_struct info_{};
};

bool WriteRows(Compression& job, const std::vector<std::uint8_t>& rgb, int width, int height) {
    jpeg_compress_struct& info = job.Info();
    if (setjmp(job.Jump()) != 0) {
        return false;
    }
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.density_unit = 1;
    info.X_density = kDotsPerInch;
    info.Y_density = kDotsPerInch;
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(rgb.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

std::optional<JpegHeader> ReadJpegHeader(const ByteBuffer& bytes) {
    Decompression job(bytes);
    if (!ReadHeader(job)) {
        return std::nullopt;
    }
    return JpegHeader{static_cast<int>(job.Info().output_width),
                      static_cast<int>(job.Info().output_height)};
}

std::optional<Raster> DecodeJpeg(const ByteBuffer& bytes) {
    Decompression job(bytes);
    if (!ReadHeader(job)) {
        return std::nullopt;
    }
    const jpeg_decompress_struct& info = job.Info();
    const int components = info.output_components;
    if (components != 1 && components != 3 && components != 4) {
        return std::nullopt;
    }
    if (!PictureSideAllowed(info.output_width, info.output_height)) {
        return std::nullopt;
    }
    Raster picture = Raster::Blank(static_cast<int>(info.output_width),
                                   static_cast<int>(info.output_height), PixelKind::Opaque);
    if (!ReadPixels(job, picture)) {
        return std::nullopt;
    }
    return picture;
}

ByteBuffer EncodeJpeg(const std::vector<std::uint8_t>& rgb, int width, int height) {
    ByteBuffer out;
    Compression job(out);
    if (!WriteRows(job, rgb, width, height)) {
        return {};
    }
    return out;
}

}  // namespace kestrova
