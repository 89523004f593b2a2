<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>FInputCounter</name>
    <message>
        <location filename="../../operations/finputcounter.cpp" line="13" />
        <source>Counter - Zandrevik</source>
        <translation>Zähler - Zandrevik</translation>
    </message>
</context>
<context>
    <name>FInputDatetime</name>
    <message>
        <location filename="../../operations/finputdatetime.cpp" line="15" />
        <source>Datetime - Zandrevik</source>
        <translation>Datum und Uhrzeit - Zandrevik</translation>
    </message>
</context>
<context>
    <name>OptColoration</name>
    <message>
        <location filename="../../operations/forms/optcoloration.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcoloration.ui" line="15" />
        <source>Select Color...</source>
        <translation>Farbe wählen...</translation>
    </message>
</context>
<context>
    <name>OptCrop</name>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="11" />
        <source>Crop by</source>
        <translation>Zuschneiden nach</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="15" />
        <source>Left, Top, Right, Bottom</source>
        <translation>Links, Oben, Rechts, Unten</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="21" />
        <source>Left, Top, Width, Height</source>
        <translation>Links, Oben, Breite, Höhe</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="26" />
        <source>Width, Height, X Offset, Y Offset</source>
        <translation>Breite, Höhe, X-Versatz, Y-Versatz</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="42" />
        <source>Left:</source>
        <translation>Links:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="55" />
        <source>Top:</source>
        <translation>Oben:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="69" />
        <location filename="../../operations/forms/optcrop.ui" line="102" />
        <location filename="../../operations/forms/optcrop.ui" line="135" />
        <location filename="../../operations/forms/optcrop.ui" line="168" />
        <source>Pixel</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="70" />
        <location filename="../../operations/forms/optcrop.ui" line="103" />
        <location filename="../../operations/forms/optcrop.ui" line="136" />
        <location filename="../../operations/forms/optcrop.ui" line="169" />
        <source>Percent</source>
        <translation>Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="75" />
        <source>Right:</source>
        <translation>Rechts:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="88" />
        <source>Bottom:</source>
        <translation>Unten:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="108" />
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="121" />
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="141" />
        <source>X Offset:</source>
        <translation>X-Versatz:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optcrop.ui" line="154" />
        <source>Y Offset:</source>
        <translation>Y-Versatz:</translation>
    </message>
</context>
<context>
    <name>OptDummy</name>
    <message>
        <location filename="../../operations/forms/optdummy.ui" line="14" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optdummy.ui" line="35" />
        <source>There are no settings for this operation</source>
        <translation>Für diese Operation gibt es keine Einstellungen</translation>
    </message>
</context>
<context>
    <name>OptFlip</name>
    <message>
        <location filename="../../operations/forms/optflip.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optflip.ui" line="11" />
        <source>Vertical</source>
        <translation>Vertikal</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optflip.ui" line="16" />
        <source>Horizontal</source>
        <translation>Horizontal</translation>
    </message>
</context>
<context>
    <name>OptResize</name>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="11" />
        <source>Dimensions</source>
        <translation>Abmessungen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="15" />
        <source>in Piexes</source>
        <translation>in Pixeln</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="20" />
        <source>in Percents</source>
        <translation>in Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="31" />
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="44" />
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="65" />
        <source>Keep aspect ratio</source>
        <translation>Seitenverhältnis beibehalten</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="71" />
        <source>Fixed Width</source>
        <translation>Feste Breite</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="77" />
        <source>Fixed Height</source>
        <translation>Feste Höhe</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="84" />
        <source>By Padding</source>
        <translation>Durch Auffüllen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="89" />
        <source>Padding Color...</source>
        <translation>Füllfarbe...</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optresize.ui" line="111" />
        <source>By Cropping</source>
        <translation>Durch Beschneiden</translation>
    </message>
</context>
<context>
    <name>OptRoll</name>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="11" />
        <source>Dimensions</source>
        <translation>Abmessungen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="15" />
        <source>in Piexes</source>
        <translation>in Pixeln</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="21" />
        <source>in Percents</source>
        <translation>in Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="29" />
        <source>Vertical:</source>
        <translation>Vertikal:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optroll.ui" line="42" />
        <source>Horizontal:</source>
        <translation>Horizontal:</translation>
    </message>
</context>
<context>
    <name>OptRotate</name>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="11" />
        <source>-90 (+270)</source>
        <translation>-90 (+270)</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="16" />
        <source>+90</source>
        <translation>+90</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="21" />
        <source>+180</source>
        <translation>+180</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="28" />
        <source>Free</source>
        <translation>Frei</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="34" />
        <source>Degrees:</source>
        <translation>Grad:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optrotate.ui" line="60" />
        <source>Background Color...</source>
        <translation>Hintergrundfarbe...</translation>
    </message>
</context>
<context>
    <name>OptSwapColors</name>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="15" />
        <source>R =&gt;</source>
        <translation>R =&gt;</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="22" />
        <location filename="../../operations/forms/optswapcolors.ui" line="36" />
        <location filename="../../operations/forms/optswapcolors.ui" line="50" />
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="23" />
        <location filename="../../operations/forms/optswapcolors.ui" line="37" />
        <location filename="../../operations/forms/optswapcolors.ui" line="51" />
        <source>G</source>
        <translation>G</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="24" />
        <location filename="../../operations/forms/optswapcolors.ui" line="38" />
        <location filename="../../operations/forms/optswapcolors.ui" line="52" />
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="29" />
        <source>G =&gt;</source>
        <translation>G =&gt;</translation>
    </message>
    <message>
        <location filename="../../operations/forms/optswapcolors.ui" line="43" />
        <source>B =&gt;</source>
        <translation>B =&gt;</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../../operations/registry.cpp" line="32" />
        <source>Crop</source>
        <translation>Zuschneiden</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="33" />
        <source>Flip</source>
        <translation>Spiegeln</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="34" />
        <source>Resize</source>
        <translation>Größe ändern</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="35" />
        <source>Roll</source>
        <translation>Verschieben</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="36" />
        <source>Rotate</source>
        <translation>Drehen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="37" />
        <source>AutoContrast</source>
        <translation>Autokontrast</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="38" />
        <source>Coloration</source>
        <translation>Einfärben</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="39" />
        <source>Equalize</source>
        <translation>Ausgleichen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="40" />
        <source>Gray</source>
        <translation>Graustufen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="41" />
        <source>Negative</source>
        <translation>Negativ</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="42" />
        <source>Swap Colors</source>
        <translation>Farben tauschen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="43" />
        <source>Stamp Text</source>
        <translation>Textstempel</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="44" />
        <source>Stamp Image</source>
        <translation>Bildstempel</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="45" />
        <source>Watermark Text</source>
        <translation>Text-Wasserzeichen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="46" />
        <source>Watermark Image</source>
        <translation>Bild-Wasserzeichen</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="50" />
        <source>Cuts a rectangular subregion from the photo</source>
        <translation>Schneidet einen rechteckigen Bereich aus dem Foto aus</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="51" />
        <source>Flips the photo in a vertical/horizontal direction</source>
        <translation>Spiegelt das Foto vertikal oder horizontal</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="52" />
        <source>Adjusts photos size by pixels or percents</source>
        <translation>Ändert die Größe der Fotos in Pixeln oder Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="53" />
        <source>Rolls photos vertically or horizontally by a specified number of pixels or percents</source>
        <translation>Verschiebt Fotos zyklisch vertikal oder horizontal um eine Anzahl Pixel oder Prozent</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="55" />
        <source>Rotates the photo by a specified number of degrees</source>
        <translation>Dreht das Foto um eine angegebene Gradzahl</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="56" />
        <source>Automatically adjusts the photo's contrast</source>
        <translation>Passt den Kontrast des Fotos automatisch an</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="57" />
        <source>Colorate photos with specified color</source>
        <translation>Färbt Fotos mit der angegebenen Farbe ein</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="58" />
        <source>Applies a histogram equalization to the picture</source>
        <translation>Wendet einen Histogrammausgleich auf das Bild an</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="59" />
        <source>Transforms photos colors form true colors to grayscale colors</source>
        <translation>Wandelt die Farben der Fotos von Echtfarben in Graustufen um</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="60" />
        <source>Replaces every pixel of the photo with it's complementary color</source>
        <translation>Ersetzt jedes Pixel des Fotos durch seine Komplementärfarbe</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="61" />
        <source>Changes the RGB channels order to your specified</source>
        <translation>Ändert die Reihenfolge der RGB-Kanäle nach Ihrer Vorgabe</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="62" />
        <source>Add an single line text to photos</source>
        <translation>Fügt Fotos einen einzeiligen Text hinzu</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="63" />
        <source>Add an image to photos</source>
        <translation>Fügt Fotos ein Bild hinzu</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="64" />
        <source>Add a watermark text to photos</source>
        <translation>Fügt Fotos einen Wasserzeichentext hinzu</translation>
    </message>
    <message>
        <location filename="../../operations/registry.cpp" line="65" />
        <source>Add a watermark image to photos</source>
        <translation>Fügt Fotos ein Wasserzeichenbild hinzu</translation>
    </message>
</context>
<context>
    <name>UInputCounter</name>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="14" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="30" />
        <source>Start at:</source>
        <translation>Beginnen bei:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="54" />
        <source>Step by:</source>
        <translation>Schrittweite:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="78" />
        <source>Digits:</source>
        <translation>Stellen:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="117" />
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputcounter.ui" line="124" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>UInputDatetime</name>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="6" />
        <source>Form</source>
        <translation>Formular</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="12" />
        <source>Use:</source>
        <translation>Verwenden:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="18" />
        <source>Original photo date</source>
        <translation>Originaldatum des Fotos</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="19" />
        <source>Current date</source>
        <translation>Aktuelles Datum</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="31" />
        <source>Date format:</source>
        <translation>Datumsformat:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="53" />
        <source>Time format:</source>
        <translation>Zeitformat:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="59" />
        <source>24h</source>
        <translation>24 h</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="60" />
        <source>AM/PM</source>
        <translation>AM/PM</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="61" />
        <source>Do not show time</source>
        <translation>Keine Uhrzeit anzeigen</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="73" />
        <source>Show time as:</source>
        <translation>Uhrzeit anzeigen als:</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="96" />
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../../operations/forms/uinputdatetime.ui" line="101" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>