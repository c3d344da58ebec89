// Loads and opens a plug-in module through the host harness, as a host with
// the given product and vendor strings (none: the harness's own).
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace morlake::test {

inline std::unique_ptr<HostedPlugin> loadOpen (const std::string& path, HostConfig config = {})
{
    std::string error;
    auto plugin = HostedPlugin::load (path, config, error);
    EXPECT_TRUE (plugin) << error;
    if (plugin)
        plugin->open ();
    return plugin;
}

inline HostConfig hostNamed (const std::string& product, const std::string& vendor = "")
{
    HostConfig config;
    config.productString = product;
    config.vendorString = vendor;
    config.answerHostStrings = ! product.empty () || ! vendor.empty ();
    return config;
}

} // namespace morlake::test
