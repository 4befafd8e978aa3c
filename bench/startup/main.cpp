// Benchmark: start-up to the main window shown, first runs (empty folder) and later runs (the
// carried files already there), measured from outside (spawn to the report) and inside. A run
// counts only when the skin was applied and both carried files are in the folder afterwards;
// any other run makes the benchmark fail.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Sample {
    double outsideMs = -1;  // spawn to the "shown" line
    double insideMs = -1;   // as the program reports it (from its main)
    std::string error;      // why the run does not count
};

bool carriedFilesThere(const fs::path& folder) {
    std::error_code ec;
    return fs::is_regular_file(folder / "jedata.dll", ec) &&
           fs::file_size(folder / "jedata.dll", ec) > 0 &&
           fs::is_regular_file(folder / u8"皮肤.she", ec) &&
           fs::file_size(folder / u8"皮肤.she", ec) > 0;
}

Sample runOnce(const fs::path& folder) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {-1, -1, "no pipe"};
    const double start = nowMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 2);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(127);
        const char* argv[] = {QUELVO_EXECUTABLE, "--exit-after-shown", nullptr};
        ::execv(QUELVO_EXECUTABLE, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(out[1]);
    Sample sample;
    std::string line;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) {
        if (sample.outsideMs < 0)
            sample.outsideMs = nowMs() - start;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto at = line.find("\"shown_ms\": ");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {-1, -1, "no report or a failed exit"};
    const auto sheet = line.find("\"style_sheet_bytes\": ");
    if (sheet == std::string::npos || std::atoll(line.c_str() + sheet + 21) <= 0)
        return {-1, -1, "skin not applied"};
    if (!carriedFilesThere(folder))
        return {-1, -1, "carried files missing"};
    sample.insideMs = std::atof(line.c_str() + at + 12);
    return sample;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

std::string summary(const std::vector<Sample>& samples, int& rejected) {
    std::vector<double> outside, inside;
    std::string errors;
    for (const Sample& s : samples) {
        if (!s.error.empty()) {
            ++rejected;
            errors += (errors.empty() ? "\"" : ", \"") + s.error + "\"";
            continue;
        }
        outside.push_back(s.outsideMs);
        inside.push_back(s.insideMs);
    }
    char text[2048];
    std::snprintf(text, sizeof text,
                  "{\"runs\": %zu, \"median_spawn_to_shown_ms\": %.1f, \"max_spawn_to_shown_ms\": "
                  "%.1f, \"median_in_process_without_exec_and_library_loading_ms\": %.1f, "
                  "\"errors\": [%s]}",
                  outside.size(), median(outside),
                  outside.empty() ? -1 : *std::max_element(outside.begin(), outside.end()),
                  median(inside), errors.c_str());
    return text;
}

}  // namespace

int main() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    constexpr int kRuns = 10;
    std::vector<Sample> first, later;
    for (int i = 0; i < kRuns; ++i) {
        char pattern[] = "/tmp/quelvo-bench-startup-XXXXXX";
        if (!::mkdtemp(pattern))
            return 1;
        const fs::path folder = pattern;
        first.push_back(runOnce(folder));
        later.push_back(runOnce(folder));
        fs::remove_all(folder);
    }
    int rejected = 0;
    const std::string firstSummary = summary(first, rejected);
    const std::string laterSummary = summary(later, rejected);
    std::printf("{\"target_ms\": 300, \"first_run\": %s, \"later_run\": %s}\n",
                firstSummary.c_str(), laterSummary.c_str());
    return rejected == 0 ? 0 : 1;
}
