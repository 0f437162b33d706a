#include "console/output_log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace mirbo {
namespace {

TEST(OutputLog, AppendsTextsInOrderAndIgnoresEmptyOnes) {
  OutputLog log;
  std::string seen;
  log.SetObserver([&](std::string_view text) { seen.append(text); });
  log.AppendOutput("\n上电初始化中");
  log.AppendOutput("");
  log.AppendOutput(".");
  EXPECT_EQ(log.Text(), "\n上电初始化中.");
  EXPECT_EQ(seen, log.Text());
}

TEST(OutputLog, TextsFromManyThreadsLandWholeAndInEachThreadsOrder) {
  constexpr int kThreads = 8;
  constexpr int kTexts = 2000;
  OutputLog log;
  std::string observed;
  log.SetObserver([&](std::string_view text) { observed.append(text); });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kTexts; ++i)
        log.AppendOutput("<" + std::to_string(t) + ":" + std::to_string(i) + ">");
    });
  }
  for (auto& thread : threads) thread.join();

  const std::string text = log.Text();
  EXPECT_EQ(observed, text);
  std::vector<int> next(kThreads, 0);
  std::size_t position = 0;
  while (position < text.size()) {
    ASSERT_EQ(text[position], '<') << "a text was split at " << position;
    const std::size_t colon = text.find(':', position);
    const std::size_t end = text.find('>', position);
    ASSERT_NE(end, std::string::npos);
    const int thread = std::stoi(text.substr(position + 1, colon - position - 1));
    const int index = std::stoi(text.substr(colon + 1, end - colon - 1));
    ASSERT_EQ(index, next[thread]) << "thread " << thread << " out of order";
    ++next[thread];
    position = end + 1;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kTexts) << "texts of thread " << t << " lost";
}

}  // namespace
}  // namespace mirbo
