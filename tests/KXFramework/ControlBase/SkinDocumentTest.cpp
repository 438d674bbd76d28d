#include "KXFramework/ControlBase/ControlFactory.h"

#include "DocumentResources.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

namespace KX::Test {
namespace {

std::u16string Text(const String& s)
{
    return std::u16string(s.GetString(), s.GetLength());
}

// One of each element, attribute form and default of the skin.
const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_Skin_Definitions Version="3">
<Application Name="PresetEditor">
 <Colorizers>
  <Colorizer Name="red" ColorType="SolidFill" Color="0xFFFF0000"/>
  <Colorizer Name="red" ColorType="SolidFill" Color="0xFF00FF00"/>
  <Colorizer Name="linear" ColorType="LinearGradient" Color="0x80000000" GradientEndColor="0xFF0000FF"
             GradientStartX="0.5" GradientStartY="1" GradientEndX="2" GradientEndY="3"/>
  <Colorizer Name="partial" ColorType="RadialGradient" Color="00FF00" GradientEndColor="0xFF0000FF"
             GradientStartX="1" GradientStartY="1" GradientEndX="2"/>
  <Colorizer Name="noColor" ColorType="SolidFill"/>
 </Colorizers>
 <Parts>
  <Part Name="image" Width="10" Height="20" ResizeType="Tile" ImageFile="Widgets.PNG" ImageLocX="0x10" ImageLocY="4"
        ColorizerName="red" ColorizerAlphaMod="0.5" ColorizerMaskFile="Mask.PNG" MaskLocX="1" MaskLocY="2"/>
  <Part Name="fill" Width="3" Height="4" ResizeType="Whatever" ColorizerName="red"/>
  <Part Name="centre" Width="1" Height="1" ResizeType="Center" ColorizerName="linear" ImageFile="x.png"/>
  <Part Name="nothing" Width="1" Height="1" ResizeType="Stretch" ColorizerName="unknown"/>
  <Part Name="noSize" ResizeType="Stretch" ColorizerName="red"/>
  <Part Name="fill" Width="9" Height="9" ResizeType="Tile" ColorizerName="red"/>
 </Parts>
 <Looks>
  <Look Name="button">
   <ClientPart Name="fill" OffsetLeft="1" OffsetTop="2" OffsetRight="-3" OffsetBottom="-4"/>
   <NonClientParts Name="notRead">
    <NonClientPart Name="image" OffsetLeft="0" OffsetBottom="5" Width="7"/>
    <NonClientPart Name="fill" OffsetTop="1" OffsetRight="2" Height="3" Width="-1"/>
    <NonClientPart Name="nothing" OffsetLeft="0"/>
   </NonClientParts>
   <TextProperties TextLeftRel="0" TextLeftAbs="4" TextRightRel="1" TextRightAbs="-4" TextHAlign="0.5"
                   TextTopRel="0.15" TextTopAbs="1" TextBottomRel="0.85" TextBottomAbs="-1" TextVAlign="1"
                   TextForegroundPart="fill"/>
  </Look>
  <Look Name="bare">
   <ClientPart Name="nothing" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
   <ClientPart Name="fill" OffsetLeft="0" OffsetTop="0" OffsetRight="0"/>
   <TextProperties TextLeftRel="0" TextLeftAbs="4" TextRightRel="1" TextRightAbs="-4" TextHAlign="0.5"
                   TextTopRel="0.15" TextTopAbs="1" TextBottomRel="0.85" TextBottomAbs="-1" TextForegroundPart="fill"/>
  </Look>
  <Look Name="button"><ClientPart Name="image" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/></Look>
 </Looks>
 <ClientPart Name="fill" OffsetLeft="9" OffsetTop="9" OffsetRight="9" OffsetBottom="9"/>
 <LookLists>
  <LookList Name="buttonLooks" NumLooks="14">
   <Look Name="button" Index="0"/>
   <Look Name="bare" Index="3"/>
   <Look Name="undefined" Index="4"/>
   <Look Name="button" Index="14"/>
   <Look Name="button" Index="-1"/>
  </LookList>
  <LookList Name="buttonLooks" NumLooks="2"><Look Name="bare" Index="0"/></LookList>
  <LookList Name="huge" NumLooks="2000000000"><Look Name="bare" Index="0"/></LookList>
  <LookList Name="single" NumLooks="1"><Look Name="bare" Index="0"/><Look Name="button" Index="0"/></LookList>
 </LookLists>
 <Skins>
  <Skin Name="Skin1" FontName="DejaVu Sans" FontSize="9.75" FontStyle="1">
   <SubControl Class="PresetEditor.MainControl" Name="mainControl" TabStop="5" IsVisible="False" Z_Order="0x10"
               ClipToParent="true" LayoutOrder="0x10">
    <CreateParamList>
     <CreateParam ID="NOT_FOCUSABLE" Type="Boolean">True</CreateParam>
     <CreateParam ID="INITIAL_VALUE">0.5</CreateParam>
     <CreateParam ID="INITIAL_VALUE">1</CreateParam>
     <CreateParam ID="SPACED"> a&amp;b<![CDATA[<c>]]>
</CreateParam>
     <CreateParam>ignored</CreateParam>
    </CreateParamList>
    <Skin Name="mainSkin" LookList="buttonLooks"/>
    <SubControl Class="Framework.Button" Name="second" LayoutOrder="2"/>
    <SubControl Class="Framework.Button" Name="zero" LayoutOrder="0" TabStop="-1" IsVisible="False" Z_Order="3"/>
    <SubControl Class="Framework.Label" Name="third" LayoutOrder="0x00021" FontName="Arial" FontSize="12"
                FontStyle="0" FontInheritsFromParent="True" FontSizeIsRelative="True">
     <Skin Name="labelSkin" LookList="unknownList"/>
    </SubControl>
    <SubControl Class="Framework.Label" Name="relativeWithoutSize" FontSizeIsRelative="True">
     <Skin Name="plain"/>
     <Skin Name="replaced" LookList="single"/>
    </SubControl>
   </SubControl>
   <SubControl Class="Framework.Panel" Name="placement" ClipToParent="False" TabStop="7" IsVisible="False"
               XPlacementAnchor="0.5" YPlacementAnchor="1" XIsDocked="True" YIsDocked="TRUE"
               XPositionToControl="Parent" YPositionToControl="Self" XPositionRel="0.25" YPositionRel="-1"
               XPositionAbs="12.9" YPositionAbs="-3" XSizeToControl="Client" YSizeToControl="sibling"
               XSizeRel="1" YSizeRel="0.5" XSizeAbs="100" YSizeAbs="0x20"
               XMinSizeToControl="Children" XMinSizeRel="1" XMinSizeAbs="4"
               YMinSizeToControl="Self" YMaxSizeToControl="other" YMaxSizeRel="2" YMaxSizeAbs="300"
               TextDecoration="Underline" TextOverflowXType="Wrap" TextOverflowYType="Wrap"/>
   <SubControl Class="Framework.Panel" Name="references" XPositionToControl="Active Window"
               YPositionToControl="Screen" XSizeToControl="Self" YSizeToControl="Parent"
               TextOverflowXType="Expand" TextOverflowYType="Expand"/>
   <SubControl Class="Framework.Panel" Name="defaults"/>
   <SubControl Class="Framework.Panel" Name="mainControl"/>
  </Skin>
 </Skins>
</Application>
</Velmora_Skin_Definitions>
)";

class SkinDocument : public ::testing::Test {
protected:
    KXRESULT Load(const std::string& text)
    {
        m_documents.Set(u"APP_SKINS", text);
        return m_factory->LoadSkin(String(u"::APP_SKINS"));
    }

    const RCPtr<LControlDescriptor>& TopLevel(const char16_t* name) const
    {
        return m_factory->FindControlDescriptor(String(name));
    }

    DocumentResources m_documents;
    RCPtr<LControlFactory> m_factory{new LControlFactory(String(u"Unnamed"))};
};

TEST_F(SkinDocument, ColorizersKeepTheirFirstDefinitionAndGradientsNeedAllFiveAttributes)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LColorizer> red = m_factory->FindColorizer(String(u"red"));
    ASSERT_TRUE(red);
    EXPECT_EQ(red->colorType, LColorizer::kSolidFill);
    EXPECT_EQ(red->color.ToARGB(), 0xFFFF0000u);

    const RCPtr<LColorizer> linear = m_factory->FindColorizer(String(u"linear"));
    ASSERT_TRUE(linear);
    EXPECT_EQ(linear->colorType, LColorizer::kLinearGradient);
    EXPECT_EQ(linear->color.ToARGB(), 0x80000000u);
    EXPECT_EQ(linear->gradientEndColor.ToARGB(), 0xFF0000FFu);
    EXPECT_FLOAT_EQ(linear->gradientStartX, 0.5f);
    EXPECT_FLOAT_EQ(linear->gradientEndY, 3.0f);

    // Six digits leave alpha at the starting zero.
    const RCPtr<LColorizer> partial = m_factory->FindColorizer(String(u"partial"));
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->colorType, LColorizer::kSolidFill);
    EXPECT_EQ(partial->color.ToARGB(), 0x0000FF00u);
    EXPECT_EQ(partial->gradientEndColor.ToARGB(), 0u);
    EXPECT_FLOAT_EQ(partial->gradientStartX, 0.0f);

    EXPECT_FALSE(m_factory->FindColorizer(String(u"noColor")));
}

TEST_F(SkinDocument, PartsTakeTheirImageMaskAndColorizer)
{
    m_factory->SetImagePrefix(String(u"/skin/"));
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LVisualPartDescriptor> image = m_factory->FindPart(String(u"image"));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->IsImageForm());
    EXPECT_EQ(Text(image->image.path), u"/skin/widgets.png");
    EXPECT_EQ(image->image.x, 16);
    EXPECT_EQ(image->image.y, 4);
    EXPECT_EQ(image->image.width, 10);
    EXPECT_EQ(image->image.height, 20);
    EXPECT_EQ(image->resizeType, LVisualPartDescriptor::kTile);
    EXPECT_EQ(image->colorizer, m_factory->FindColorizer(String(u"red")));
    EXPECT_FLOAT_EQ(image->alphaModulation, 0.5f);
    EXPECT_EQ(Text(image->mask.path), u"/skin/Mask.PNG");
    EXPECT_EQ(image->mask.x, 1);
    EXPECT_EQ(image->mask.y, 2);
    EXPECT_EQ(image->mask.width, 10);
    EXPECT_EQ(image->naturalWidth, 10);
    EXPECT_EQ(image->naturalHeight, 20);

    const RCPtr<LVisualPartDescriptor> fill = m_factory->FindPart(String(u"fill"));
    ASSERT_TRUE(fill);
    EXPECT_FALSE(fill->IsImageForm());
    EXPECT_EQ(fill->resizeType, LVisualPartDescriptor::kStretch);
    EXPECT_EQ(fill->naturalWidth, 3);
    EXPECT_FLOAT_EQ(fill->alphaModulation, 1.0f);
    EXPECT_TRUE(fill->mask.path.IsEmpty());

    // An image file without its location is no image.
    const RCPtr<LVisualPartDescriptor> centre = m_factory->FindPart(String(u"centre"));
    ASSERT_TRUE(centre);
    EXPECT_FALSE(centre->IsImageForm());
    EXPECT_EQ(centre->resizeType, LVisualPartDescriptor::kCenter);

    EXPECT_FALSE(m_factory->FindPart(String(u"nothing")));
    EXPECT_FALSE(m_factory->FindPart(String(u"noSize")));
}

TEST_F(SkinDocument, LooksTakeDockedPartsAndTextPropertiesOfKnownParts)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LLookDescriptor> button = m_factory->FindLook(String(u"button"));
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->clientPart);
    EXPECT_EQ(button->clientPart->part, m_factory->FindPart(String(u"fill")));
    const DockSpec& client = button->clientPart->dock;
    EXPECT_EQ(client.edges, DockSpec::kAll);
    EXPECT_EQ(client.offsetLeft, 1);
    EXPECT_EQ(client.offsetTop, 2);
    EXPECT_EQ(client.offsetRight, -3);
    EXPECT_EQ(client.offsetBottom, -4);
    EXPECT_FALSE(client.hasFixedWidth);

    ASSERT_EQ(button->nonClientParts.GetCount(), 2u);
    const DockSpec& first = button->nonClientParts.GetAt(0)->dock;
    EXPECT_EQ(first.edges, DockSpec::kLeft | DockSpec::kBottom);
    EXPECT_EQ(first.offsetBottom, 5);
    EXPECT_TRUE(first.hasFixedWidth);
    EXPECT_EQ(first.fixedWidth, 7);
    EXPECT_FALSE(first.hasFixedHeight);
    const DockSpec& second = button->nonClientParts.GetAt(1)->dock;
    EXPECT_EQ(second.edges, DockSpec::kTop | DockSpec::kRight);
    EXPECT_FALSE(second.hasFixedWidth);
    EXPECT_TRUE(second.hasFixedHeight);
    EXPECT_EQ(second.fixedHeight, 3);

    ASSERT_TRUE(button->hasTextProperties);
    EXPECT_EQ(button->textForegroundPart, m_factory->FindPart(String(u"fill")));
    EXPECT_EQ(button->text.leftAbsolute, 4);
    EXPECT_FLOAT_EQ(button->text.rightRelative, 1.0f);
    EXPECT_EQ(button->text.rightAbsolute, -4);
    EXPECT_FLOAT_EQ(button->text.horizontalAlignment, 0.5f);
    EXPECT_FLOAT_EQ(button->text.topRelative, 0.15f);
    EXPECT_EQ(button->text.topAbsolute, 1);
    EXPECT_FLOAT_EQ(button->text.bottomRelative, 0.85f);
    EXPECT_EQ(button->text.bottomAbsolute, -1);
    EXPECT_FLOAT_EQ(button->text.verticalAlignment, 1.0f);

    // An unknown part, a missing offset or a missing text attribute leaves the look without them.
    const RCPtr<LLookDescriptor> bare = m_factory->FindLook(String(u"bare"));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->clientPart);
    EXPECT_FALSE(bare->hasTextProperties);
    EXPECT_FALSE(bare->textForegroundPart);
}

TEST_F(SkinDocument, LookListsHoldTheirEntriesByIndex)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LookList> list = m_factory->FindLookList(String(u"buttonLooks"));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->GetCount(), 14u);
    EXPECT_EQ(list->GetAt(0), m_factory->FindLook(String(u"button")));
    EXPECT_EQ(list->GetAt(3), m_factory->FindLook(String(u"bare")));
    for (unsigned i : {1u, 2u, 4u, 13u})
        EXPECT_FALSE(list->GetAt(i)) << i;
    // A later entry of the same index replaces the earlier one.
    const RCPtr<LookList> single = m_factory->FindLookList(String(u"single"));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->GetAt(0), m_factory->FindLook(String(u"button")));
    EXPECT_FALSE(m_factory->FindLookList(String(u"huge")));
}

TEST_F(SkinDocument, ControlsFormATreeUnderOneRootPerSkin)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    EXPECT_EQ(Text(m_factory->GetApplicationName()), u"PresetEditor");
    ASSERT_EQ(m_factory->GetRootDescriptors().GetCount(), 1u);
    const RCPtr<LControlDescriptor>& root = m_factory->GetRootDescriptors().GetAt(0);
    EXPECT_EQ(Text(root->GetClassName()), u"Application");
    EXPECT_EQ(Text(root->GetName()), u"PresetEditor");
    EXPECT_EQ(root->GetParent(), nullptr);
    ASSERT_TRUE(root->GetSkin());
    EXPECT_EQ(Text(root->GetSkin()->name), u"Skin1");

    // Top-level controls keep their document order; the later of two equal names is found.
    const ControlDescriptorArray& top = root->GetSubDescriptors();
    ASSERT_EQ(top.GetCount(), 5u);
    EXPECT_EQ(Text(top.GetAt(1)->GetName()), u"placement");
    EXPECT_EQ(TopLevel(u"mainControl"), top.GetAt(4));
    EXPECT_FALSE(TopLevel(u"second"));

    const RCPtr<LControlDescriptor>& main = top.GetAt(0);
    EXPECT_EQ(main->GetParent(), root.Get());
    EXPECT_EQ(Text(main->GetClassName()), u"PresetEditor.MainControl");
    // Sorted by layout order; equal orders keep document order.
    const ControlDescriptorArray& children = main->GetSubDescriptors();
    ASSERT_EQ(children.GetCount(), 4u);
    EXPECT_EQ(Text(children.GetAt(0)->GetName()), u"zero");
    EXPECT_EQ(Text(children.GetAt(1)->GetName()), u"relativeWithoutSize");
    EXPECT_EQ(Text(children.GetAt(2)->GetName()), u"second");
    EXPECT_EQ(Text(children.GetAt(3)->GetName()), u"third");
    EXPECT_EQ(children.GetAt(3)->GetLayout()->layoutOrder, 2); // a fifth hexadecimal digit is ignored
    EXPECT_EQ(children.GetAt(0)->GetParent(), main.Get());
}

TEST_F(SkinDocument, CreateParametersKeepTheirTextAsWritten)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LStringTable> params =
        m_factory->GetRootDescriptors().GetAt(0)->GetSubDescriptors().GetAt(0)->GetCreateParams();
    ASSERT_TRUE(params);
    EXPECT_EQ(params->GetEntries().size(), 3u);
    String text;
    EXPECT_TRUE(params->GetString(u"NOT_FOCUSABLE", text));
    EXPECT_EQ(Text(text), u"True");
    EXPECT_TRUE(params->GetString(u"INITIAL_VALUE", text));
    EXPECT_EQ(Text(text), u"1");
    EXPECT_TRUE(params->GetString(u"SPACED", text));
    EXPECT_EQ(Text(text), u" a&b<c>\n");
    EXPECT_FALSE(TopLevel(u"defaults")->GetCreateParams());
}

TEST_F(SkinDocument, SkinsTakeFontsAndLookLists)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    String fontName;
    float fontSize = 0.0f;
    int32_t fontStyle = 0;
    EXPECT_EQ(m_factory->GetDefaultFont(fontName, fontSize, fontStyle), S_OK);
    EXPECT_EQ(Text(fontName), u"DejaVu Sans");
    EXPECT_FLOAT_EQ(fontSize, 9.75f);
    EXPECT_EQ(fontStyle, 1);

    const RCPtr<LControlDescriptor>& main = m_factory->GetRootDescriptors().GetAt(0)->GetSubDescriptors().GetAt(0);
    ASSERT_EQ(main->GetSubDescriptors().GetCount(), 4u);
    ASSERT_TRUE(main->GetSkin());
    EXPECT_EQ(main->GetSkin()->lookList, m_factory->FindLookList(String(u"buttonLooks")));
    EXPECT_EQ(main->GetSkin()->fontStyle, -1);
    EXPECT_TRUE(main->GetSkin()->fontName.IsEmpty());

    const RCPtr<LSkinDescriptor>& label = main->GetSubDescriptors().GetAt(3)->GetSkin();
    ASSERT_TRUE(label);
    EXPECT_EQ(Text(label->name), u"labelSkin");
    EXPECT_FALSE(label->lookList);
    EXPECT_EQ(Text(label->fontName), u"Arial");
    EXPECT_FLOAT_EQ(label->fontSize, 12.0f);
    EXPECT_EQ(label->fontStyle, 0);
    EXPECT_TRUE(label->fontInheritsFromParent);
    EXPECT_TRUE(label->fontSizeIsRelative);

    // Without a size the size is not relative; a second Skin replaces the first.
    const RCPtr<LSkinDescriptor>& replaced = main->GetSubDescriptors().GetAt(1)->GetSkin();
    ASSERT_TRUE(replaced);
    EXPECT_EQ(Text(replaced->name), u"replaced");
    EXPECT_FALSE(replaced->fontSizeIsRelative);
    EXPECT_FALSE(replaced->fontInheritsFromParent);
    EXPECT_EQ(replaced->lookList, m_factory->FindLookList(String(u"single")));
}

TEST_F(SkinDocument, LayoutAttributesAndTheirDefaults)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const LLayoutDescriptor& defaults = *TopLevel(u"defaults")->GetLayout();
    EXPECT_TRUE(defaults.clipToParent);
    EXPECT_EQ(defaults.zOrder, 0);
    EXPECT_EQ(defaults.tabStop, 0);
    EXPECT_TRUE(defaults.isVisible);
    EXPECT_EQ(defaults.position[0].referenceKind, PositionSpec::kClient);
    EXPECT_EQ(defaults.size[1].referenceKind, SizeSpec::kSelf);
    EXPECT_DOUBLE_EQ(defaults.size[0].absolute, 16.0);
    EXPECT_DOUBLE_EQ(defaults.size[1].absolute, 40.0);
    EXPECT_FALSE(defaults.maxSize[1].hasReference);
    EXPECT_EQ(defaults.textOverflowX, LLayoutDescriptor::kOverflowClip);

    // On a top-level control TabStop and IsVisible are not read; booleans are exactly "True".
    const LLayoutDescriptor& p = *TopLevel(u"placement")->GetLayout();
    EXPECT_FALSE(p.clipToParent);
    EXPECT_EQ(p.tabStop, 0);
    EXPECT_TRUE(p.isVisible);
    EXPECT_FLOAT_EQ(p.position[0].anchor, 0.5f);
    EXPECT_FLOAT_EQ(p.position[1].anchor, 1.0f);
    EXPECT_TRUE(p.position[0].docked);
    EXPECT_FALSE(p.position[1].docked);
    EXPECT_EQ(p.position[0].referenceKind, PositionSpec::kParent);
    // "Self" names a sibling called Self in a position.
    EXPECT_EQ(p.position[1].referenceKind, PositionSpec::kNamed);
    EXPECT_EQ(Text(p.position[1].referenceName), u"Self");
    EXPECT_FLOAT_EQ(p.position[0].relative, 0.25f);
    EXPECT_FLOAT_EQ(p.position[1].relative, -1.0f);
    EXPECT_DOUBLE_EQ(p.position[0].absolute, 12.0);
    EXPECT_DOUBLE_EQ(p.position[1].absolute, -3.0);
    EXPECT_EQ(p.size[0].referenceKind, SizeSpec::kClient);
    EXPECT_EQ(p.size[1].referenceKind, SizeSpec::kNamed);
    EXPECT_EQ(Text(p.size[1].referenceName), u"sibling");
    EXPECT_FLOAT_EQ(p.size[1].relative, 0.5f);
    EXPECT_DOUBLE_EQ(p.size[0].absolute, 100.0);
    EXPECT_DOUBLE_EQ(p.size[1].absolute, 0.0); // placement offsets are decimal only
    EXPECT_TRUE(p.minSize[0].hasReference);
    EXPECT_EQ(Text(p.minSize[0].referenceName), u"Children");
    EXPECT_FLOAT_EQ(p.minSize[0].relative, 1.0f);
    EXPECT_DOUBLE_EQ(p.minSize[0].absolute, 4.0);
    EXPECT_FALSE(p.minSize[1].hasReference);
    EXPECT_TRUE(p.maxSize[1].hasReference);
    EXPECT_EQ(Text(p.maxSize[1].referenceName), u"other");
    EXPECT_DOUBLE_EQ(p.maxSize[1].absolute, 300.0);
    EXPECT_EQ(Text(p.textDecoration), u"Underline");
    EXPECT_EQ(p.textOverflowX, LLayoutDescriptor::kOverflowWrap);
    EXPECT_EQ(p.textOverflowY, LLayoutDescriptor::kOverflowClip); // no wrapping vertically

    const LLayoutDescriptor& r = *TopLevel(u"references")->GetLayout();
    EXPECT_EQ(r.position[0].referenceKind, PositionSpec::kClient);
    EXPECT_EQ(r.position[1].referenceKind, PositionSpec::kParent);
    EXPECT_EQ(r.size[0].referenceKind, SizeSpec::kSelf);
    EXPECT_EQ(r.size[1].referenceKind, SizeSpec::kParent);
    EXPECT_EQ(r.textOverflowX, LLayoutDescriptor::kOverflowExpand);
    EXPECT_EQ(r.textOverflowY, LLayoutDescriptor::kOverflowExpand);

    // Inside a control TabStop and IsVisible are read; Z_Order is decimal only.
    const RCPtr<LControlDescriptor>& main = m_factory->GetRootDescriptors().GetAt(0)->GetSubDescriptors().GetAt(0);
    EXPECT_EQ(main->GetLayout()->zOrder, 0);
    EXPECT_EQ(main->GetLayout()->layoutOrder, 16);
    EXPECT_FALSE(main->GetLayout()->clipToParent);
    const LLayoutDescriptor& zero = *main->GetSubDescriptors().GetAt(0)->GetLayout();
    EXPECT_EQ(zero.tabStop, -1);
    EXPECT_FALSE(zero.isVisible);
    EXPECT_EQ(zero.zOrder, 3);
}

TEST_F(SkinDocument, ASubControlWithoutClassOrNameIsABadElement)
{
    for (const char* element : {"<SubControl Name=\"a\"/>", "<SubControl Class=\"Framework.Panel\"/>"}) {
        const std::string text = std::string("<R><Application Name=\"App\"/><Skins><Skin Name=\"S\">"
                                             "<SubControl Class=\"Framework.Panel\" Name=\"kept\"/>") +
                                 element + "</Skin></Skins></R>";
        RCPtr<LControlFactory> factory(new LControlFactory(String(u"App")));
        m_documents.Set(u"APP_SKINS", text);
        try {
            static_cast<void>(factory->LoadSkin(String(u"::APP_SKINS"))); // only the exception counts
            ADD_FAILURE() << "no exception for " << element;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Runtime Error : Bad Subcontrol Element : KX::LControlFactory::XMLStartElement"
                                       " : ControlBase\\ControlFactory : Line 1089");
        }
        EXPECT_TRUE(factory->FindControlDescriptor(String(u"kept")));
    }
}

struct MalformedCase {
    const char* name;
    std::string text;
    const char16_t* error;
    int32_t line;
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedSkin : public SkinDocument, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedSkin, FailsWithExpatsMessageAndLineAndKeepsWhatCameBefore)
{
    EXPECT_EQ(Load(GetParam().text), E_FAIL);
    EXPECT_EQ(Text(m_factory->GetLastParseError().text), GetParam().error);
    EXPECT_EQ(m_factory->GetLastParseError().line, GetParam().line);
    EXPECT_TRUE(m_factory->FindColorizer(String(u"before")));
}

std::string Nested(int depth)
{
    std::string text = "<R><Colorizers><Colorizer Name=\"before\" ColorType=\"SolidFill\" Color=\"0xFF000000\"/>"
                       "</Colorizers><Skins><Skin Name=\"S\">\n";
    for (int i = 0; i < depth; ++i)
        text += "<SubControl Class=\"C\" Name=\"n\"><Skin Name=\"s\">";
    return text;
}

std::string BillionLaughs()
{
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE R [\n<!ENTITY l0 \"lollollollollollollollollollol\">\n";
    for (int i = 1; i < 10; ++i)
        text += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
            std::string refs;
            for (int j = 0; j < 10; ++j)
                refs += "&l" + std::to_string(i - 1) + ";";
            return refs;
        }() + "\">\n";
    return text + "]>\n<R><Colorizers><Colorizer Name=\"before\" ColorType=\"SolidFill\" Color=\"0xFF000000\"/>"
                  "</Colorizers><Skins><Skin Name=\"S\"><SubControl Class=\"C\" Name=\"n\"><CreateParamList>"
                  "<CreateParam ID=\"X\">&l9;</CreateParam></CreateParamList></SubControl></Skin></Skins></R>\n";
}

// 64 KB of text in each of 20 create parameters.
std::string SpreadExpansion()
{
    std::string text = "<!DOCTYPE R [<!ENTITY a \"" + std::string(64, 'a') + "\"><!ENTITY b \"";
    for (int i = 0; i < 1024; ++i)
        text += "&a;";
    text += "\">]>\n<R><Colorizers><Colorizer Name=\"before\" ColorType=\"SolidFill\" Color=\"0xFF000000\"/>"
            "</Colorizers><Skins><Skin Name=\"S\"><SubControl Class=\"C\" Name=\"n\"><CreateParamList>\n";
    for (int i = 0; i < 20; ++i)
        text += "<CreateParam ID=\"X" + std::to_string(i) + "\">&b;</CreateParam>";
    return text + "</CreateParamList></SubControl></Skin></Skins></R>\n";
}

INSTANTIATE_TEST_SUITE_P(
    SkinDocument, MalformedSkin,
    ::testing::Values(
        MalformedCase{"MismatchedTag",
                      "<R>\n<Colorizers><Colorizer Name=\"before\" ColorType=\"SolidFill\" Color=\"0xFF000000\"/>\n"
                      "</Parts>\n",
                      u"mismatched tag", 3},
        MalformedCase{"Unterminated",
                      "<R><Colorizer Name=\"before\" ColorType=\"SolidFill\" Color=\"0xFF000000\"/>\n\n<Skins>",
                      u"no element found", 3},
        MalformedCase{"TooDeep", Nested(300), u"elements nested deeper than 256 levels", 2},
        MalformedCase{"EntityExpansion", BillionLaughs(), u"text outgrows the document by more than 1048576 bytes", 14},
        // Each text is short; together they pass the document's limit.
        MalformedCase{"ExpansionSpreadOverElements", SpreadExpansion(),
                      u"text outgrows the document by more than 1048576 bytes", 3}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST_F(SkinDocument, MissingOrEmptySourcesFailWithoutParsing)
{
    EXPECT_EQ(m_factory->LoadSkin(String(u"::APP_SKINS")), E_FAIL);
    EXPECT_EQ(Load(""), E_FAIL);
    EXPECT_EQ(m_factory->LoadSkin(String(u"/no/such/folder/Skins.xml")), E_FAIL);
    EXPECT_TRUE(m_factory->GetLastParseError().text.IsEmpty());
}

TEST_F(SkinDocument, SkinsAccumulateAndTheFirstIsCurrentAfterLoading)
{
    ASSERT_EQ(Load("<R><Skins><Skin Name=\"one\"><SubControl Class=\"C\" Name=\"a\"/></Skin>"
                   "<Skin Name=\"two\" FontName=\"\"><SubControl Class=\"C\" Name=\"b\"/></Skin></Skins></R>"),
              S_OK);
    EXPECT_EQ(m_factory->GetRootDescriptors().GetCount(), 2u);
    EXPECT_EQ(m_factory->GetCurrentSkinIndex(), 0);
    EXPECT_TRUE(TopLevel(u"a"));
    EXPECT_FALSE(TopLevel(u"b"));

    String fontName(u"kept");
    float fontSize = 3.0f;
    int32_t fontStyle = 7;
    EXPECT_EQ(m_factory->GetDefaultFont(fontName, fontSize, fontStyle), S_FALSE);
    EXPECT_EQ(Text(fontName), u"kept");
    EXPECT_FLOAT_EQ(fontSize, 3.0f);
    EXPECT_EQ(fontStyle, 7);
}

TEST_F(SkinDocument, ControlsOutsideASkinAndSkinsWithoutANameAreSkipped)
{
    ASSERT_EQ(Load("<R><SubControl Class=\"C\" Name=\"orphan\"><SubControl Class=\"C\" Name=\"child\"/></SubControl>"
                   "<Skins><Skin><SubControl Class=\"C\" Name=\"unnamedSkin\"/></Skin>"
                   "<Skin Name=\"S\"><SubControl Class=\"C\" Name=\"a\"><LookLists/>"
                   "<SubControl Class=\"C\" Name=\"afterLookLists\"/></SubControl>"
                   "<SubControl Class=\"C\" Name=\"b\"/></Skin></Skins></R>"),
              S_OK);
    ASSERT_EQ(m_factory->GetRootDescriptors().GetCount(), 1u);
    const ControlDescriptorArray& top = m_factory->GetRootDescriptors().GetAt(0)->GetSubDescriptors();
    ASSERT_EQ(top.GetCount(), 1u);
    EXPECT_EQ(Text(top.GetAt(0)->GetName()), u"a");
    EXPECT_EQ(top.GetAt(0)->GetSubDescriptors().GetCount(), 0u);
}

TEST_F(SkinDocument, FontTranslationsApplyOnlyForTheLoadedLanguage)
{
    m_documents.Set(u"FRAMEWORK_STRINGS", "<R><StringTable ID=\"Framework\"><String ID=\"K\">"
                                          "<Locale LCID=\"0x0011\">k</Locale></String></StringTable></R>");
    ASSERT_EQ(m_factory->LoadStringTables(String(u"::FRAMEWORK_STRINGS"), String(u"::NONE"), 0x0411), S_OK);
    ASSERT_EQ(m_factory->GetLanguageId(), 0x0011u);
    ASSERT_EQ(Load("<R><Skins><Skin Name=\"S\" FontName=\"Arial\">"
                   "<FontLocale LCID=\"0x0011\"/><FontXLat Name=\"Arial\" XLat=\"Noto Sans CJK JP\"/>"
                   "<FontXLat Name=\"Arial\" XLat=\"second\"/>"
                   "<FontLocale LCID=\"7\"/><FontXLat Name=\"Tahoma\" XLat=\"German only\"/>"
                   "<SubControl Class=\"C\" Name=\"a\" FontName=\"Arial\"><Skin Name=\"s\"/></SubControl>"
                   "<SubControl Class=\"C\" Name=\"b\" FontName=\"Tahoma\"><Skin Name=\"s\"/></SubControl>"
                   "</Skin></Skins></R>"),
              S_OK);
    ASSERT_EQ(m_factory->GetRootDescriptors().GetCount(), 1u);
    for (const RCPtr<LControlDescriptor>& d :
         {m_factory->GetRootDescriptors().GetAt(0), TopLevel(u"a"), TopLevel(u"b")}) {
        ASSERT_TRUE(d);
        ASSERT_TRUE(d->GetSkin());
    }
    EXPECT_EQ(Text(m_factory->GetRootDescriptors().GetAt(0)->GetSkin()->fontName), u"Noto Sans CJK JP");
    EXPECT_EQ(Text(TopLevel(u"a")->GetSkin()->fontName), u"Noto Sans CJK JP");
    EXPECT_EQ(Text(TopLevel(u"b")->GetSkin()->fontName), u"Tahoma");
}

TEST_F(SkinDocument, ClonesShareTheirPartsAndTakeANewLayout)
{
    ASSERT_EQ(Load(kSkin), S_OK);
    const RCPtr<LControlDescriptor> source = m_factory->GetRootDescriptors().GetAt(0)->GetSubDescriptors().GetAt(0);
    RCPtr<LControlDescriptor> clone = source->Clone(String());
    EXPECT_EQ(Text(clone->GetName()), u"mainControl");
    EXPECT_EQ(clone->GetParent(), source->GetParent());
    EXPECT_EQ(clone->GetSkin(), source->GetSkin());
    EXPECT_EQ(clone->GetLayout(), source->GetLayout());
    EXPECT_EQ(clone->GetCreateParams(), source->GetCreateParams());
    ASSERT_EQ(clone->GetSubDescriptors().GetCount(), 4u);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(clone->GetSubDescriptors().GetAt(i), source->GetSubDescriptors().GetAt(i));
    ASSERT_GE(clone->GetCreateParams()->SetString(String(u"NEW"), String(u"seen")), 0);
    String text;
    EXPECT_TRUE(source->GetCreateParams()->GetString(u"NEW", text));

    const RCPtr<LLayoutDescriptor> layout = source->GetLayout()->Clone();
    layout->isVisible = false;
    RCPtr<LControlDescriptor> item;
    LControlFactory::CloneControlDescriptor(item, source, layout, String(u"item3"));
    EXPECT_EQ(Text(item->GetName()), u"item3");
    EXPECT_EQ(item->GetLayout(), layout);
    EXPECT_TRUE(source->GetLayout()->isVisible);
    EXPECT_EQ(Text(item->GetClassName()), u"PresetEditor.MainControl");
}

} // namespace
} // namespace KX::Test
