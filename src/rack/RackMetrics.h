#pragma once

#include "rack/BoardRecord.h"

#include <QByteArray>

#include <memory>
#include <vector>

// The boards in Prometheus' text format (version 0.0.4), every series labelled with its board.
QByteArray MetricsText(const std::vector<std::unique_ptr<BoardRecord>>& boards);

inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";
