// Writes small starting inputs for every fuzz target: make_seeds DIR fills DIR/pcx, DIR/asc,
// DIR/tga, DIR/jpeg, DIR/text, DIR/script and DIR/soundtrack. Every input is made here; nothing is copied from elsewhere.
#include <lame/lame.h>
#include <turbojpeg.h>

#include <cmath>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void writeSeed(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(dir);
    std::FILE* file = std::fopen((dir / name).c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes pcxSeed(std::uint8_t width, std::uint8_t height, const Bytes& stream)
{
    Bytes seed = {std::uint8_t(width - 1), std::uint8_t(height - 1)};
    Bytes header(128, 0);
    header[0] = 10;
    header[1] = 5;
    header[2] = 1;
    header[3] = 8;
    seed.insert(seed.end(), header.begin(), header.end());
    seed.insert(seed.end(), stream.begin(), stream.end());
    seed.push_back(12);
    for (int k = 0; k < 256; ++k) seed.insert(seed.end(), 3, std::uint8_t(k));
    return seed;
}

Bytes tgaSeed(int width, int height)
{
    const int count = width * height;
    Bytes seed = {std::uint8_t(count), std::uint8_t(count >> 8)};
    Bytes header(18, 0);
    header[2] = 2;
    header[12] = std::uint8_t(width);
    header[14] = std::uint8_t(height);
    header[16] = 32;
    header[17] = 8;
    seed.insert(seed.end(), header.begin(), header.end());
    for (int k = 0; k < count; ++k) {
        const Bytes pixel = {std::uint8_t(k * 40), std::uint8_t(k * 3), std::uint8_t(255 - k), 0};
        seed.insert(seed.end(), pixel.begin(), pixel.end());
    }
    const std::string footer = std::string(8, '\0') + "TRUEVISION-XFILE.";
    seed.insert(seed.end(), footer.begin(), footer.end());
    seed.push_back(0);
    return seed;
}

Bytes jpegSeed(int width, int height, int quality, int subsampling)
{
    Bytes bgr(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bgr.data() + 3 * (std::size_t(y) * width + x);
            p[0] = std::uint8_t(x / 3);
            p[1] = std::uint8_t((x / 40 + y / 40) % 2 ? 200 : 30);
            p[2] = std::uint8_t(y / 2);
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long length = 0;
    Bytes seed;
    if (tjCompress2(handle, bgr.data(), width, width * 3, height, TJPF_BGR, &jpeg, &length,
                    subsampling, quality, 0) == 0) {
        seed.assign(jpeg, jpeg + length);
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return seed;
}

std::string ascModel()
{
    return "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\r\n\r\n"
           "Named object: \"Seed\"\r\nTri-mesh, Vertices: 4     Faces: 3\r\n"
           "Vertex list:\r\n"
           "Vertex 0:  X:0.0     Y:0.0     Z:0.0\r\n"
           "Vertex 1:  X:10.0     Y:0.0     Z:-2.5\r\n"
           "\r\n\r\n                  Page 1\r\n\r\n"
           "Vertex 2:  X:10.0     Y:10.0     Z:0.0\r\n"
           "Vertex 3:  X:0.5     Y:0.25     Z:7e1\r\n"
           "Face list:\r\n"
           "Face 0:    A:0 B:1 C:2 AB:1 BC:1 CA:1\r\n"
           "Smoothing:  1 \r\n"
           "Face 1:    A:3 B:2 C:1 AB:1 BC:1 CA:0\r\n"
           "Smoothing:  1 \r\n"
           "Face 2:    A:0 B:3 C:1 AB:0 BC:1 CA:1\r\n";
}

Bytes textSeed(std::int32_t x, std::int32_t y, std::int32_t line, const std::string& s)
{
    Bytes seed;
    for (std::int32_t v : {x, y, line, std::int32_t(0xFFFFFF)}) {
        for (int b = 0; b < 4; ++b) seed.push_back(std::uint8_t(std::uint32_t(v) >> (8 * b)));
    }
    seed.insert(seed.end(), s.begin(), s.end());
    return seed;
}

// Half a second of a tone, as an MP3 of the kind the programs play.
Bytes soundtrackSeed(int sampleRate, int channels, int kbps)
{
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 7);
    Bytes seed;
    if (lame_init_params(lame) != 0) {
        lame_close(lame);
        return seed;
    }
    std::vector<short> samples(std::size_t(sampleRate / 2));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = short(8000 * std::sin(2 * 3.14159265358979 * 440.0 * double(k) / sampleRate));
    std::vector<unsigned char> out(samples.size() * 2 + 7200);
    int length = lame_encode_buffer(lame, samples.data(), samples.data(), int(samples.size()), out.data(), int(out.size()));
    if (length >= 0) seed.assign(out.begin(), out.begin() + length);
    length = lame_encode_flush(lame, out.data(), int(out.size()));
    if (length >= 0) seed.insert(seed.end(), out.begin(), out.begin() + length);
    lame_close(lame);
    return seed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_seeds DIR\n", stderr);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    writeSeed(root / "pcx", "runs", pcxSeed(4, 3, {0xC3, 7, 0xC0, 9, 0xBF, 0xC1, 0xC0, 5, 1, 2, 3, 0xC2, 4}));
    writeSeed(root / "pcx", "literals", pcxSeed(2, 2, {1, 2, 3, 4}));
    writeSeed(root / "asc", "model", text(ascModel()));
    writeSeed(root / "tga", "image", tgaSeed(3, 2));
    writeSeed(root / "jpeg", "full", jpegSeed(640, 480, 20, TJSAMP_420));
    writeSeed(root / "jpeg", "full444", jpegSeed(640, 480, 5, TJSAMP_444));
    writeSeed(root / "jpeg", "small", jpegSeed(16, 8, 50, TJSAMP_422));
    writeSeed(root / "text", "clock", textSeed(37, 125, 34, "Monday, December 07, 2026"));
    writeSeed(root / "text", "edge", textSeed(-3, -5, 0, "A|b \xC6\xD8\xC5\xDB$"));
    writeSeed(root / "text", "far", textSeed(0x7FFFFFF0, 1, 0x0CCCCCCC, "days left:"));
    writeSeed(root / "script", "tour", text("# a tour\n500 move 320 240\n600 down left\n700 up left\n"
                                             "800 key pagedown\n900 key escape\r\n1000 down right\n1100 close\n"));
    writeSeed(root / "soundtrack", "stereo", soundtrackSeed(44100, 2, 64));
    writeSeed(root / "soundtrack", "mono", soundtrackSeed(48000, 1, 32));
    Bytes tagged = text(std::string("ID3\x03\0\0\0\0\0\x0a", 10) + std::string(10, ' '));
    const Bytes tone = soundtrackSeed(44100, 1, 32);
    tagged.insert(tagged.end(), tone.begin(), tone.end());
    writeSeed(root / "soundtrack", "tagged", tagged);
    return 0;
}
