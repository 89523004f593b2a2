<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>COperationWidget_stamp_image</name>
    <message>
        <location filename="../../operations/stamp_image.cpp" line="112"/>
        <source>Open Image File</source>
        <translation>Bilddatei öffnen</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_image.cpp" line="114"/>
        <source>All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)</source>
        <translation>Alle Dateien (*);;Bilddateien (*.bmp *.png *.jpg *.gif)</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_image.cpp" line="118"/>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <location filename="../../operations/pictureoperation.cpp"/>
        <source>The picture scaled to %1% would be larger than %2 megapixels: it is not used.</source>
        <translation>Das auf %1% skalierte Bild wäre größer als %2 Megapixel: es wird nicht verwendet.</translation>
    </message>
    <message>
        <location filename="../../operations/pictureoperation.cpp"/>
        <source>The picture turned by %1 degrees would cover more than %2 megapixels: it is not used.</source>
        <translation>Das um %1 Grad gedrehte Bild würde mehr als %2 Megapixel bedecken: es wird nicht verwendet.</translation>
    </message>
</context>
<context>
    <name>COperationWidget_stamp_text</name>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="116"/>
        <source>Source File Name</source>
        <translation>Dateiname der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="117"/>
        <source>Source Folder Name</source>
        <translation>Ordnername der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="118"/>
        <source>Source Extension</source>
        <translation>Dateiendung der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="119"/>
        <source>Source Path</source>
        <translation>Pfad der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="120"/>
        <source>Counter</source>
        <translation>Zähler</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="121"/>
        <source>Data / Time</source>
        <translation>Datum / Uhrzeit</translation>
    </message>
    <message>
        <location filename="../../operations/stamp_text.cpp" line="122"/>
        <source>Copyright Sign</source>
        <translation>Copyright-Zeichen</translation>
    </message>
</context>
<context>
    <name>COperationWidget_watermark_image</name>
    <message>
        <location filename="../../operations/watermark_image.cpp" line="113"/>
        <source>Open Image File</source>
        <translation>Bilddatei öffnen</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_image.cpp" line="115"/>
        <source>All Files (*);;Image Files (*.bmp *.png *.jpg *.gif)</source>
        <translation>Alle Dateien (*);;Bilddateien (*.bmp *.png *.jpg *.gif)</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_image.cpp" line="119"/>
        <source>Zandrevik</source>
        <translation>Zandrevik</translation>
    </message>
    <message>
        <location filename="../../operations/pictureoperation.cpp"/>
        <source>The picture scaled to %1% would be larger than %2 megapixels: it is not used.</source>
        <translation>Das auf %1% skalierte Bild wäre größer als %2 Megapixel: es wird nicht verwendet.</translation>
    </message>
    <message>
        <location filename="../../operations/pictureoperation.cpp"/>
        <source>The picture turned by %1 degrees would cover more than %2 megapixels: it is not used.</source>
        <translation>Das um %1 Grad gedrehte Bild würde mehr als %2 Megapixel bedecken: es wird nicht verwendet.</translation>
    </message>
</context>
<context>
    <name>COperationWidget_watermark_text</name>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="120"/>
        <source>Source File Name</source>
        <translation>Dateiname der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="121"/>
        <source>Source Folder Name</source>
        <translation>Ordnername der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="122"/>
        <source>Source Extension</source>
        <translation>Dateiendung der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="123"/>
        <source>Source Path</source>
        <translation>Pfad der Quelle</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="124"/>
        <source>Counter</source>
        <translation>Zähler</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="125"/>
        <source>Data / Time</source>
        <translation>Datum / Uhrzeit</translation>
    </message>
    <message>
        <location filename="../../operations/watermark_text.cpp" line="126"/>
        <source>Copyright Sign</source>
        <translation>Copyright-Zeichen</translation>
    </message>
</context>
<context>
    <name>OptStampImage</name>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="14"/>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="40"/>
        <source>Image File:</source>
        <translation>Bilddatei:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="53"/>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="67"/>
        <source>Transparency:</source>
        <translation>Transparenz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="99"/>
        <location filename="../../operations/forms/optstampimage.ui" line="300"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="122"/>
        <source>X Pos:</source>
        <translation>X-Position:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="133"/>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="138"/>
        <location filename="../../operations/forms/optstampimage.ui" line="207"/>
        <source>Middle</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="143"/>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="162"/>
        <location filename="../../operations/forms/optstampimage.ui" line="231"/>
        <source>Pixel</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="167"/>
        <location filename="../../operations/forms/optstampimage.ui" line="236"/>
        <source>Percent</source>
        <translation>Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="191"/>
        <source>Y Pos:</source>
        <translation>Y-Position:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="202"/>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="212"/>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="251"/>
        <source>Rotation(degress):</source>
        <translation>Drehung (Grad):</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstampimage.ui" line="293"/>
        <source>Scale:</source>
        <translation>Skalierung:</translation>
    </message>
</context>
<context>
    <name>OptStampText</name>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="14"/>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="40"/>
        <source>Text:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="53"/>
        <source>Add Keyword</source>
        <translation>Schlüsselwort einfügen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="67"/>
        <source>Transparency:</source>
        <translation>Transparenz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="99"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="122"/>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="145"/>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="194"/>
        <source>X Pos:</source>
        <translation>X-Position:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="205"/>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="210"/>
        <location filename="../../operations/forms/optstamptext.ui" line="279"/>
        <source>Middle</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="215"/>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="234"/>
        <location filename="../../operations/forms/optstamptext.ui" line="303"/>
        <source>Pixel</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="239"/>
        <location filename="../../operations/forms/optstamptext.ui" line="308"/>
        <source>Percent</source>
        <translation>Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="263"/>
        <source>Y Pos:</source>
        <translation>Y-Position:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="274"/>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="284"/>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optstamptext.ui" line="323"/>
        <source>Rotation(degrees):</source>
        <translation>Drehung (Grad):</translation>
    </message>
</context>
<context>
    <name>OptWatermarkImage</name>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="14"/>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="40"/>
        <source>Image File:</source>
        <translation>Bilddatei:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="53"/>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="67"/>
        <source>Transparency:</source>
        <translation>Transparenz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="99"/>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="253"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="122"/>
        <source>X Space:</source>
        <translation>X-Abstand:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="129"/>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="168"/>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="207"/>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="230"/>
        <source>px</source>
        <translation>px</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="161"/>
        <source>X Offset:</source>
        <translation>X-Versatz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="200"/>
        <source>Y Space:</source>
        <translation>Y-Abstand:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="223"/>
        <source>Y Offset:</source>
        <translation>Y-Versatz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="246"/>
        <source>Scale:</source>
        <translation>Skalierung:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarkimage.ui" line="269"/>
        <source>Rotation(degress):</source>
        <translation>Drehung (Grad):</translation>
    </message>
</context>
<context>
    <name>OptWatermarkText</name>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="14"/>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="40"/>
        <source>Text:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="53"/>
        <source>Add Keyword</source>
        <translation>Schlüsselwort einfügen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="67"/>
        <source>Transparency:</source>
        <translation>Transparenz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="99"/>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="122"/>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="145"/>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="188"/>
        <source>X Space:</source>
        <translation>X-Abstand:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="195"/>
        <location filename="../../operations/forms/optwatermarktext.ui" line="234"/>
        <location filename="../../operations/forms/optwatermarktext.ui" line="273"/>
        <location filename="../../operations/forms/optwatermarktext.ui" line="296"/>
        <source>px</source>
        <translation>px</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="227"/>
        <source>X Offset:</source>
        <translation>X-Versatz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="266"/>
        <source>Y Space:</source>
        <translation>Y-Abstand:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="289"/>
        <source>Y Offset:</source>
        <translation>Y-Versatz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optwatermarktext.ui" line="312"/>
        <source>Rotation(degress):</source>
        <translation>Drehung (Grad):</translation>
    </message>
</context>
</TS>
