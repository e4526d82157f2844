// Both libraries driven exactly as a channel simulator drives them: dlopen,
// AMI_Init, AMI_GetWave in blocks, AMI_Close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "tests/ami/AmiLibrary.h"

using amitest::AmiLibrary;

namespace {

constexpr double kBitTime = 1.0 / 10.3125e9;
constexpr int kSpb = 64;
constexpr double kSampleInterval = kBitTime / kSpb;

// A +/-1 NRZ waveform of a 7-bit LFSR pattern, kSpb samples per bit.
std::vector<double> Stimulus(size_t bits)
{
    std::vector<double> w;
    w.reserve(bits * kSpb);
    unsigned lfsr = 0x5a;
    for (size_t b = 0; b < bits; ++b) {
        const unsigned bit = ((lfsr >> 6) ^ (lfsr >> 5)) & 1u;
        lfsr = ((lfsr << 1) | bit) & 0x7fu;
        for (int s = 0; s < kSpb; ++s) w.push_back(bit ? 1.0 : -1.0);
    }
    return w;
}

std::string RunCommand(const std::string& cmd)
{
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

struct Lib {
    const char* name;
    std::string path;
    const char* model;
    std::vector<const char*> params;
};

void PrintTo(const Lib& lib, std::ostream* os) { *os << lib.name; }

std::vector<Lib> Libraries()
{
    return {
        {"rx", amitest::RxPath(), "Vuraved_UV_IV",
         {"RX_Config", "Factor", "VCO_Sensitivity", "EQ_Level", "CTLEAdapt", "EOMNbits"}},
        {"tx", amitest::TxPath(), "TX_model2", {"DE_Level", "VOD_Level", "TX_bypass"}},
    };
}

class EachLibrary : public testing::TestWithParam<Lib> {
protected:
    void SetUp() override
    {
        lib = std::make_unique<AmiLibrary>(GetParam().path);
        ASSERT_TRUE(lib->ok()) << lib->error();
    }
    // The whole waveform through one instance, in blocks of the given sizes
    // (cycled); returns the output samples.
    std::vector<double> Process(const std::vector<double>& in, const std::vector<long>& blocks)
    {
        void* h = nullptr;
        char* msg = nullptr;
        EXPECT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
        std::vector<double> out = in;
        std::vector<double> clocks(out.size() / kSpb + 2);
        size_t pos = 0, k = 0;
        while (pos < out.size()) {
            long n = std::min<long>(blocks[k++ % blocks.size()], static_cast<long>(out.size() - pos));
            EXPECT_EQ(lib->GetWave(out.data() + pos, n, clocks.data(), nullptr, h), 1);
            pos += static_cast<size_t>(n);
        }
        EXPECT_EQ(lib->Close(h), 1);
        return out;
    }
    std::unique_ptr<AmiLibrary> lib;
    amitest::TempWorkDir workDir;  // the receiver writes report files
};

TEST_P(EachLibrary, ExportsOnlyPlainNamesAndCarriesItsOwnRuntime)
{
    const std::string syms = RunCommand("nm -D --defined-only " + GetParam().path);
    ASSERT_FALSE(syms.empty()) << "nm gave nothing";
    for (const char* fn : {" AMI_Init\n", " AMI_GetWave\n", " AMI_Close\n"})
        EXPECT_NE(syms.find(fn), std::string::npos) << fn;
    EXPECT_EQ(syms.find(" _Z"), std::string::npos) << "C++ symbols exported:\n" << syms;
#ifndef AMI_SANITIZED
    const std::string deps = RunCommand("ldd " + GetParam().path);
    EXPECT_EQ(deps.find("libstdc++"), std::string::npos) << deps;
    EXPECT_EQ(deps.find("libgcc_s"), std::string::npos) << deps;
#endif
}

TEST_P(EachLibrary, EmptyParameterStringReportsEveryParameterInOrder)
{
    void* h = nullptr;
    char* msg = nullptr;
    EXPECT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
    std::string expected;
    for (const char* p : GetParam().params)
        expected += std::string("The IBIS-AMI model, ") + GetParam().model +
                    ", is unable to initialize the parameter " + p +
                    " from the AMI_Init arguments.  The model will use the default setting. ";
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(std::string(msg), expected);
    EXPECT_EQ(lib->Close(h), 1);
}

TEST_P(EachLibrary, ZeroSamplesGiveOnlyTheTerminator)
{
    void* h = nullptr;
    char* msg = nullptr;
    ASSERT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
    double clocks[2] = {7.0, 7.0};
    EXPECT_EQ(lib->GetWave(nullptr, 0, clocks, nullptr, h), 1);
    EXPECT_EQ(clocks[0], -1.0);
    EXPECT_EQ(clocks[1], 7.0);
    EXPECT_EQ(lib->Close(h), 1);
}

TEST_P(EachLibrary, BlockSizesDoNotChangeTheOutput)
{
    const std::vector<double> in = Stimulus(160);
    const std::vector<double> whole = Process(in, {static_cast<long>(in.size())});
    const std::vector<std::vector<long>> splits = {{static_cast<long>(in.size()) / 2}, {1, 7, 1000}, {613}};
    for (const auto& blocks : splits) {
        const std::vector<double> split = Process(in, blocks);
        ASSERT_EQ(split.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(split[i], whole[i]) << "sample " << i << ", first block " << blocks[0];
    }
}

TEST_P(EachLibrary, ManyInstancesAliveAtOnceAreIndependent)
{
    const std::vector<double> in = Stimulus(40);
    const std::vector<double> reference = Process(in, {512});
    constexpr int kInstances = 24;
    std::vector<void*> handles(kInstances, nullptr);
    std::vector<std::vector<double>> outs(kInstances, in);
    for (void*& h : handles) {
        char* msg = nullptr;
        ASSERT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
    }
    std::vector<double> clocks(in.size() / kSpb + 2);
    for (size_t pos = 0; pos < in.size(); pos += 512)
        for (int i = 0; i < kInstances; ++i)
            ASSERT_EQ(lib->GetWave(outs[i].data() + pos, 512, clocks.data(), nullptr, handles[i]), 1);
    for (int i = 0; i < kInstances; ++i) {
        EXPECT_EQ(outs[i], reference) << "instance " << i;
        EXPECT_EQ(lib->Close(handles[i]), 1);
    }
}

TEST_P(EachLibrary, RepeatedInitAndCloseReleaseEverything)
{
    // Under the sanitizer build the leak checker sees anything left behind.
    for (int i = 0; i < 200; ++i) {
        void* h = nullptr;
        char* msg = nullptr;
        ASSERT_EQ(lib->InitWith(i % 2 ? "" : "(unbalanced", kSampleInterval, kBitTime, &h, &msg), 1);
        double wave[64] = {1.0}, clocks[3];
        ASSERT_EQ(lib->GetWave(wave, 64, clocks, nullptr, h), 1);
        ASSERT_EQ(lib->Close(h), 1);
    }
}

TEST_P(EachLibrary, HostileArgumentsNeverCrash)
{
    EXPECT_EQ(lib->Close(nullptr), 0);
    double wave[4] = {1, 2, 3, 4}, clocks[4] = {5, 5, 5, 5};
    EXPECT_EQ(lib->GetWave(wave, 4, clocks, nullptr, nullptr), 0);
    void* h = nullptr;
    char* msg = nullptr;
    EXPECT_EQ(lib->InitWith("", 0.0, kBitTime, &h, &msg), 0);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(msg, nullptr);
    EXPECT_NE(std::string(msg).find("sample_interval = 0"), std::string::npos) << msg;
    EXPECT_EQ(lib->GetWave(wave, 4, clocks, nullptr, h), 0);
    EXPECT_EQ(wave[0], 1.0);
    EXPECT_EQ(lib->Close(h), 1);

    ASSERT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
    EXPECT_EQ(lib->GetWave(wave, -5, clocks, nullptr, h), 0);
    EXPECT_EQ(lib->GetWave(nullptr, 4, clocks, nullptr, h), 0);
    EXPECT_EQ(lib->GetWave(wave, 4, nullptr, nullptr, h), 0);
    EXPECT_EQ(wave[0], 1.0);
    EXPECT_EQ(clocks[0], 5.0);
    EXPECT_EQ(lib->Close(h), 1);
}

// Hosts close twice (a destructor after an explicit close), fire a closed
// handle, or pass no place for the handle. Each call returns 0 and touches
// neither freed memory (the sanitizer build checks) nor the caller's data.
TEST_P(EachLibrary, HandlesThatAreNotLiveAreRefused)
{
    double wave[4] = {1, 2, 3, 4}, clocks[4] = {5, 5, 5, 5};
    void* h = nullptr;
    char* msg = nullptr;
    ASSERT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &h, &msg), 1);
    void* other = nullptr;
    ASSERT_EQ(lib->InitWith("", kSampleInterval, kBitTime, &other, &msg), 1);
    EXPECT_EQ(lib->Close(h), 1);
    struct Case { const char* what; void* handle; };
    double local = 0.0;
    for (const Case& c : {Case{"closed", h}, Case{"closed, again", h}, Case{"never given out", &local}}) {
        EXPECT_EQ(lib->GetWave(wave, 4, clocks, nullptr, c.handle), 0) << c.what;
        EXPECT_EQ(lib->Close(c.handle), 0) << c.what;
        EXPECT_EQ(wave[0], 1.0) << c.what;
        EXPECT_EQ(clocks[0], 5.0) << c.what;
    }
    // The other instance is untouched by all this.
    EXPECT_EQ(lib->GetWave(wave, 4, clocks, nullptr, other), 1);
    EXPECT_EQ(lib->Close(other), 1);
    EXPECT_EQ(lib->Close(other), 0);

    // No place for the handle: nothing is created (the leak check of the
    // sanitizer build would see one), and the message says why.
    msg = nullptr;
    char params[] = "";
    EXPECT_EQ(lib->Init(nullptr, 0, 0, kSampleInterval, kBitTime, params, nullptr, nullptr, &msg), 0);
    ASSERT_NE(msg, nullptr);
    EXPECT_STREQ(msg, "AMI_Init was called with a null AMI_memory_handle; no model was created. ");
    EXPECT_EQ(lib->Init(nullptr, 0, 0, kSampleInterval, kBitTime, params, nullptr, nullptr, nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(Libraries, EachLibrary, testing::ValuesIn(Libraries()),
                         [](const testing::TestParamInfo<Lib>& i) { return std::string(i.param.name); });

TEST(BothLibraries, LoadIntoOneProcessWithoutMixingState)
{
    AmiLibrary rx(amitest::RxPath()), tx(amitest::TxPath());
    ASSERT_TRUE(rx.ok()) << rx.error();
    ASSERT_TRUE(tx.ok()) << tx.error();
    EXPECT_NE(reinterpret_cast<void*>(rx.Init), reinterpret_cast<void*>(tx.Init));
    amitest::TempWorkDir dir;
    void *hr = nullptr, *ht = nullptr;
    char *mr = nullptr, *mt = nullptr;
    ASSERT_EQ(rx.InitWith("", kSampleInterval, kBitTime, &hr, &mr), 1);
    ASSERT_EQ(tx.InitWith("", kSampleInterval, kBitTime, &ht, &mt), 1);
    ASSERT_NE(mr, nullptr);
    ASSERT_NE(mt, nullptr);
    EXPECT_NE(std::string(mr).find("Vuraved_UV_IV"), std::string::npos);
    EXPECT_EQ(std::string(mr).find("TX_model2"), std::string::npos);
    EXPECT_NE(std::string(mt).find("TX_model2"), std::string::npos);
    EXPECT_EQ(std::string(mt).find("Vuraved_UV_IV"), std::string::npos);
    // Each library's instance goes back to its own library.
    std::vector<double> w = Stimulus(8), clocks(w.size() / kSpb + 2);
    EXPECT_EQ(tx.GetWave(w.data(), static_cast<long>(w.size()), clocks.data(), nullptr, ht), 1);
    EXPECT_EQ(rx.GetWave(w.data(), static_cast<long>(w.size()), clocks.data(), nullptr, hr), 1);
    EXPECT_EQ(rx.Close(hr), 1);
    EXPECT_EQ(tx.Close(ht), 1);
}

}  // namespace
