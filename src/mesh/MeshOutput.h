// SPDX-License-Identifier: MIT
// Where a mesh writer's bytes go: collected in a buffer of about 1 MiB and
// handed to the file (which counts them) a buffer at a time, with the
// progress of the writing told now and then.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace moon {

class AtomicFile;

class MeshOutput {
public:
    // Told how far the work is: a stage and 0 to 1.
    using Progress = std::function<void(std::string_view stage, double fraction)>;

    MeshOutput(AtomicFile& file, Progress progress);
    MeshOutput(const MeshOutput&) = delete;
    MeshOutput& operator=(const MeshOutput&) = delete;

    // Units of Advance the whole file takes, for progress; set by the writer.
    void SetWork(std::size_t work) { m_work = work; }
    // The buffer to append to; Flush hands it on when it is full enough.
    std::string& Text() { return m_text; }
    // The low bytes of bits, least significant first (1 to 4 of them).
    void AppendLittleEndian(std::uint32_t bits, int bytes) {
        const char data[4] = {static_cast<char>(bits & 0xFFu), static_cast<char>(bits >> 8 & 0xFFu),
                              static_cast<char>(bits >> 16 & 0xFFu),
                              static_cast<char>(bits >> 24 & 0xFFu)};
        m_text.append(data, static_cast<std::size_t>(bytes));
    }
    void AppendWord(std::uint32_t word) { AppendLittleEndian(word, 4); }
    // value rounded to a float, its bits little-endian.
    void AppendFloat(double value) {
        AppendWord(std::bit_cast<std::uint32_t>(static_cast<float>(value)));
    }
    // Counts units of work done, hands the buffer on once it is full and
    // tells the progress every 65536 units.
    void Advance(std::size_t units = 1) {
        m_done += units;
        if (m_text.size() >= kChunkBytes || m_done >= m_nextReport) {
            Pass();
        }
    }
    // Hands on what is left and reports the writing done.
    void Finish();

private:
    // Bytes are handed to the file in pieces of about this size.
    static constexpr std::size_t kChunkBytes = 1 << 20;
    static constexpr std::size_t kReportEvery = 65536;

    // Hands the buffer on and reports as Advance found due.
    void Pass();
    void Flush();

    AtomicFile& m_file;
    std::size_t m_work = 0;
    Progress m_progress;
    std::string m_text;
    std::size_t m_done = 0;
    std::size_t m_nextReport = kReportEvery;
};

}  // namespace moon
