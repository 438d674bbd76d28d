#pragma once
// The editors' building-block samples ("editorSamples" of the generator's sample document) created
// through the real factory, as the content of the test window.
#include "../Resources/GeneratedSkinFixture.h"

#include <cstdlib>

namespace KX::Test {

class EditorSamplesFixture : public GeneratedSkinFixture {
protected:
    std::string Base() const override { return KIVO_BLOCK_SAMPLES; }

    void SetUp() override
    {
        GeneratedSkinFixture::SetUp();
        if (HasFatalFailure())
            return;
        samples = Create(u"editorSamples");
        ASSERT_TRUE(samples);
        ASSERT_EQ(root->SetContent(samples), S_OK);
    }

    // Where pictures for people go: $KIVO_SCREENSHOT_DIR, else the working folder.
    static std::string PicturePath(const std::string& name)
    {
        const char* folder = std::getenv("KIVO_SCREENSHOT_DIR");
        return (folder && *folder ? std::string(folder) : std::string(".")) + "/" + name;
    }

    RCPtr<LControl> samples;
};

} // namespace KX::Test
