// The findings of a JSON document ({"code", "severity", "message",
// "values"}) taken apart, for tables that check one part of each.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// Each finding's `part` ("message", "code", ...), in order; an array stays
// an array, so that an empty one compares equal to json::array().
template <class Json>
Json Parts(const Json& findings, const std::string& part = "message") {
    Json parts = Json::array();
    for (const auto& finding : findings) parts.push_back(finding.at(part));
    return parts;
}
