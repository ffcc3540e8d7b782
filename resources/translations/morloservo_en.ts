<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ErrorBits</name>
    <message>
        <source>驱动器内部错误</source>
        <translation>Drive internal error</translation>
    </message>
    <message>
        <source>编码器ABN信号错误</source>
        <translation>Encoder A/B/N signal error</translation>
    </message>
    <message>
        <source>编码器UVW信号错误</source>
        <translation>Encoder U/V/W signal error</translation>
    </message>
    <message>
        <source>编码器计数错误</source>
        <translation>Encoder count error</translation>
    </message>
    <message>
        <source>驱动器温度过高</source>
        <translation>Drive over-temperature</translation>
    </message>
    <message>
        <source>驱动器总线电压过高400v</source>
        <translation>Bus over-voltage (400 V)</translation>
    </message>
    <message>
        <source>驱动器总线电压过低120v</source>
        <translation>Bus under-voltage (120 V)</translation>
    </message>
    <message>
        <source>驱动器输出短路</source>
        <translation>Output short circuit</translation>
    </message>
    <message>
        <source>驱动器制动电阻异常</source>
        <translation>Braking resistor fault</translation>
    </message>
    <message>
        <source>实际跟踪误差超过允许值</source>
        <translation>Following error too large</translation>
    </message>
    <message>
        <source>逻辑电压过低18v</source>
        <translation>Logic supply low (18 V)</translation>
    </message>
    <message>
        <source>I2*T故障</source>
        <translation>I2*T fault</translation>
    </message>
    <message>
        <source>输入脉冲频率过高</source>
        <translation>Input pulse rate too high</translation>
    </message>
    <message>
        <source>保留备用</source>
        <translation>Reserved</translation>
    </message>
    <message>
        <source>寻找电机错误</source>
        <translation>Motor detection error</translation>
    </message>
    <message>
        <source>EEPROM内部错误</source>
        <translation>EEPROM internal error</translation>
    </message>
</context>
<context>
    <name>PageTitle</name>
    <message>
        <source>基本操作</source>
        <translation>Basic operation</translation>
    </message>
    <message>
        <source>位置环</source>
        <translation>Position loop</translation>
    </message>
    <message>
        <source>速度环</source>
        <translation>Velocity loop</translation>
    </message>
    <message>
        <source>电流环</source>
        <translation>Current loop</translation>
    </message>
    <message>
        <source>I/O口</source>
        <translation>I/O</translation>
    </message>
    <message>
        <source>模拟输入</source>
        <translation>Analog input</translation>
    </message>
    <message>
        <source>输入功能配置</source>
        <translation>Input function configuration</translation>
    </message>
    <message>
        <source>模拟速度模式</source>
        <translation>Analog velocity mode</translation>
    </message>
    <message>
        <source>速度段模式</source>
        <translation>Velocity table mode</translation>
    </message>
    <message>
        <source>模拟力矩模式</source>
        <translation>Analog torque mode</translation>
    </message>
    <message>
        <source>脉冲模式</source>
        <translation>Pulse mode</translation>
    </message>
    <message>
        <source>自动翻转</source>
        <translation>Auto reverse</translation>
    </message>
    <message>
        <source>位置段模式</source>
        <translation>Position table mode</translation>
    </message>
    <message>
        <source>原点模式</source>
        <translation>Homing mode</translation>
    </message>
    <message>
        <source>自整定</source>
        <translation>Autotuning</translation>
    </message>
    <message>
        <source>驱动器配置</source>
        <translation>Drive configuration</translation>
    </message>
    <message>
        <source>示波器</source>
        <translation>Oscilloscope</translation>
    </message>
    <message>
        <source>实时错误</source>
        <translation>Real-time errors</translation>
    </message>
    <message>
        <source>历史错误</source>
        <translation>Error history</translation>
    </message>
    <message>
        <source>其它</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>驱动器属性</source>
        <translation>Drive properties</translation>
    </message>
    <message>
        <source>电机配置</source>
        <translation>Motor configuration</translation>
    </message>
    <message>
        <source>数据字典</source>
        <translation>Data dictionary</translation>
    </message>
    <message>
        <source>读驱动器配置</source>
        <translation>Read drive data</translation>
    </message>
    <message>
        <source>写驱动器配置</source>
        <translation>Write drive data</translation>
    </message>
    <message>
        <source>通讯方式</source>
        <translation>Link type</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Properties</translation>
    </message>
</context>
<context>
    <name>TransferNote</name>
    <message>
        <source>长度不是8/16/32位</source>
        <translation>size not 8/16/32 bits</translation>
    </message>
    <message>
        <source>无数值</source>
        <translation>no value</translation>
    </message>
    <message>
        <source>不是数字</source>
        <translation>not a number</translation>
    </message>
    <message>
        <source>超出范围</source>
        <translation type="vanished">out of range</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>列表中为%1位，对象为%2</source>
        <translation>listed as %1 bits, the object is %2</translation>
    </message>
    <message>
        <source>数值超出%1的范围</source>
        <translation>value does not fit %1</translation>
    </message>
    <message>
        <source>驱动器应答%1位，列表中为%2位</source>
        <translation>the drive answered %1 bits, listed as %2</translation>
    </message>
    <message>
        <source>驱动器的数值超出%1的范围</source>
        <translation>the drive&apos;s value does not fit %1</translation>
    </message>
    <message>
        <source>驱动器拒绝：%1 (%2)</source>
        <translation>refused: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CAboutBox</name>
    <message>
        <source>关于 TARNEX Servo</source>
        <translation>About TARNEX Servo</translation>
    </message>
    <message>
        <source>TARNEX Servo 1.00 版</source>
        <translation>TARNEX Servo Version 1.00</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CCommCan</name>
    <message>
        <source>详细</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>驱动器ID</source>
        <translation>Drive ID</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="vanished">Close</translation>
    </message>
    <message>
        <source>打开</source>
        <translation type="vanished">Open</translation>
    </message>
    <message>
        <source>扫描</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>全部节点</source>
        <translation>All nodes</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>预运行</source>
        <translation>Pre-operational</translation>
    </message>
    <message>
        <source>复位节点</source>
        <translation>Reset node</translation>
    </message>
    <message>
        <source>复位通讯</source>
        <translation>Reset communication</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>没有节点应答</source>
        <translation>No node answered</translation>
    </message>
    <message>
        <source>驱动器ID须为1到127</source>
        <translation>The drive ID must be from 1 to 127</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CCommMode</name>
    <message>
        <source>通讯方式</source>
        <translation>Link type</translation>
    </message>
    <message>
        <source>离线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>仿真驱动器</source>
        <translation>Simulated drive</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CCommRs232</name>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>驱动器ID</source>
        <translation>Drive ID</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="vanished">Close</translation>
    </message>
    <message>
        <source>打开</source>
        <translation type="vanished">Open</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CDataInOut</name>
    <message>
        <source>功能</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>仿真</source>
        <translation>Sim.</translation>
    </message>
    <message>
        <source>极性</source>
        <translation>Polarity</translation>
    </message>
    <message>
        <source>实际输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>实际输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>虚拟状态</source>
        <translation>Virtual</translation>
    </message>
    <message>
        <source>%1: 驱动器拒绝了 0x%2: %3 (0x%4)</source>
        <translation>%1: the drive refused 0x%2: %3 (0x%4)</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CDriverOscillo</name>
    <message>
        <source>手动触发</source>
        <translation>manual trigger</translation>
    </message>
    <message>
        <source>时间(%1)</source>
        <translation>time(%1)</translation>
    </message>
    <message>
        <source>数据(%1)</source>
        <translation>data(%1)</translation>
    </message>
    <message>
        <source>处理完毕</source>
        <translation>finish</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Ch</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>比例</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>偏移</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>采集周期(ms)</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>指针偏移</source>
        <translation>Pre-trigger</translation>
    </message>
    <message>
        <source>采集个数</source>
        <translation>Samples</translation>
    </message>
    <message>
        <source>触发</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>开始采集</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>重读数据</source>
        <translation>Read again</translation>
    </message>
    <message>
        <source>连续采集</source>
        <translation>Continuous</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>刷新曲线</source>
        <translation>Refresh curves</translation>
    </message>
    <message>
        <source> &amp;0 - 游标</source>
        <translation> &amp;0 - cursor</translation>
    </message>
    <message>
        <source> &amp;1 - 游标</source>
        <translation> &amp;1 - cursor</translation>
    </message>
    <message>
        <source> &amp;2 - 游标</source>
        <translation> &amp;2 - cursors</translation>
    </message>
    <message>
        <source>等待采集数据 .</source>
        <translation>wait to read data .</translation>
    </message>
    <message>
        <source>等待采集数据 ..</source>
        <translation>wait to read data ..</translation>
    </message>
    <message>
        <source>等待采集数据 ...</source>
        <translation>wait to read data ...</translation>
    </message>
    <message>
        <source>等待采集数据 ....</source>
        <translation>wait to read data ....</translation>
    </message>
    <message>
        <source>等待采集数据 .....</source>
        <translation>wait to read data .....</translation>
    </message>
    <message>
        <source>读取数据 .</source>
        <translation>reading data .</translation>
    </message>
    <message>
        <source>读取数据 ..</source>
        <translation>reading data ..</translation>
    </message>
    <message>
        <source>读取数据 ...</source>
        <translation>reading data ...</translation>
    </message>
    <message>
        <source>读取数据 ....</source>
        <translation>reading data ...</translation>
    </message>
    <message>
        <source>读取数据 .....</source>
        <translation>reading data .....</translation>
    </message>
    <message>
        <source>取消采集</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1：“%2”不是%3到%4之间的整数，未写入驱动器。</source>
        <translation>%1: &quot;%2&quot; is not a whole number from %3 to %4; nothing was written to the drive.</translation>
    </message>
    <message>
        <source>偏移：“%1”不是数值。</source>
        <translation>Offset: &quot;%1&quot; is not a number.</translation>
    </message>
    <message>
        <source>触发电平：“%1”不是%2单位的数值，未写入驱动器。</source>
        <translation>Trigger level: &quot;%1&quot; is not a number in %2; nothing was written to the drive.</translation>
    </message>
    <message>
        <source>触发电平：“%1”超出触发对象的范围（%2到%3），未写入驱动器。</source>
        <translation>Trigger level: &quot;%1&quot; is outside the range of the trigger object (%2 to %3); nothing was written to the drive.</translation>
    </message>
    <message>
        <source>触发电平：触发对象没有单位%1，未写入驱动器。</source>
        <translation>Trigger level: the trigger object has no unit %1; nothing was written to the drive.</translation>
    </message>
    <message>
        <source>触发对象必须是8位、16位或32位的数值对象。</source>
        <translation>The trigger object must be a number object of 8, 16 or 32 bits.</translation>
    </message>
    <message>
        <source>通道只能记录16位或32位的数值对象。</source>
        <translation>A channel can record number objects of 16 or 32 bits only.</translation>
    </message>
    <message>
        <source>不支持的文件类型“%1”（可用csv、txt、bmp或png），未写入文件。</source>
        <translation>The file type &quot;%1&quot; is not supported (use csv, txt, bmp or png); nothing was written.</translation>
    </message>
    <message>
        <source>%1不是示波器数据文件，未导入。</source>
        <translation>%1 is not an oscilloscope data file; nothing was imported.</translation>
    </message>
    <message>
        <source>%1中有无法读取的值：</source>
        <translation>%1 holds values that could not be read:</translation>
    </message>
    <message>
        <source>读取数据失败</source>
        <translation>reading data failed</translation>
    </message>
    <message>
        <source>等待其他窗口释放通信口</source>
        <translation>waiting: another window is using the link</translation>
    </message>
    <message>
        <source>记录末尾%1字节不足一个采样（%2字节），已舍弃</source>
        <translation>the last %1 bytes of the record are no whole sample (%2 bytes) and were dropped</translation>
    </message>
    <message>
        <source>保留为参考</source>
        <translation type="vanished">Keep as reference</translation>
    </message>
    <message>
        <source>导入参考…</source>
        <translation type="vanished">Import reference…</translation>
    </message>
    <message>
        <source>勾选的参考曲线以虚线画在曲线之后</source>
        <translation>Ticked references are drawn dashed behind the curves</translation>
    </message>
    <message>
        <source>删除参考</source>
        <translation type="vanished">Remove reference</translation>
    </message>
    <message>
        <source>时间以触发点为零</source>
        <translation>Time from the trigger</translation>
    </message>
    <message>
        <source>后退</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>频谱…</source>
        <translation>Spectrum…</translation>
    </message>
    <message>
        <source>导出表格…</source>
        <translation>Export table…</translation>
    </message>
    <message>
        <source>回到上一次缩放或平移之前</source>
        <translation>Back to the view before the last zoom or pan</translation>
    </message>
    <message>
        <source>整个记录，自动比例</source>
        <translation>The whole record, auto-scaled</translation>
    </message>
    <message>
        <source>CSV：时间(ms)和各通道在显示单位中的值</source>
        <translation>CSV: time (ms) and each channel&apos;s values in its display unit</translation>
    </message>
    <message>
        <source>参考曲线</source>
        <translation>References</translation>
    </message>
    <message>
        <source>视图</source>
        <translation type="vanished">View</translation>
    </message>
    <message>
        <source>最多保留%1条参考曲线，请先删除一条。</source>
        <translation>At most %1 references can be kept; remove one first.</translation>
    </message>
    <message>
        <source>没有可保留的曲线。</source>
        <translation>There is no curve to keep.</translation>
    </message>
    <message>
        <source>采集 %1</source>
        <translation>Capture %1</translation>
    </message>
    <message>
        <source>%1中没有曲线，未导入。</source>
        <translation>%1 holds no curve; nothing was imported.</translation>
    </message>
    <message>
        <source>导出表格</source>
        <translation>Export table</translation>
    </message>
    <message>
        <source>没有可导出的曲线。</source>
        <translation>There is no curve to export.</translation>
    </message>
    <message>
        <source>处理完毕，手动开始</source>
        <translation>finish, started by hand</translation>
    </message>
    <message>
        <source>处理完毕，已触发</source>
        <translation>finish, triggered</translation>
    </message>
    <message>
        <source>保留</source>
        <translation>Keep</translation>
    </message>
    <message>
        <source>导入…</source>
        <translation>Import…</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>保留当前曲线作为参考</source>
        <translation>Keep the curves shown as a reference</translation>
    </message>
    <message>
        <source>导入示波器数据文件作为参考</source>
        <translation>Import an oscilloscope data file as a reference</translation>
    </message>
    <message>
        <source>复制测量值</source>
        <translation>Copy figures</translation>
    </message>
    <message>
        <source>滚轮：缩放时间轴；Ctrl+滚轮：缩放游标通道的数值轴；中键（或Ctrl+左键）拖动：平移</source>
        <translation>Wheel: zoom the time axis; Ctrl+wheel: zoom the value axis of the cursor channel; drag with the middle button (or Ctrl+left): pan</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CDrvPanelF007</name>
    <message>
        <source>说明</source>
        <translation>meaning</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CEmergencyList</name>
    <message>
        <source>紧急报文 (CAN)</source>
        <translation>Emergency messages (CAN)</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>节点</source>
        <translation>Node</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>含义</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>错误寄存器</source>
        <translation>Error register</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CExportDrvData</name>
    <message>
        <source>导入数据</source>
        <translation>Load data</translation>
    </message>
    <message>
        <source>读数据</source>
        <translation>Read data</translation>
    </message>
    <message>
        <source>保存结果</source>
        <translation>Save result</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>驱动器无应答，传输已停止。</source>
        <translation>The drive does not answer; the transfer has stopped.</translation>
    </message>
    <message>
        <source>%2行中有%1行没有从驱动器读出。仍然保存吗？</source>
        <translation>%1 of %2 rows were not read from the drive. Save them all the same?</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CFunctionDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>列表</source>
        <translation>List</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CImportDrvData</name>
    <message>
        <source>导入数据</source>
        <translation>Load data</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>Write data</translation>
    </message>
    <message>
        <source>比较</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>保存参数</source>
        <translation>Store parameters</translation>
    </message>
    <message>
        <source>驱动器重启</source>
        <translation>Restart drive</translation>
    </message>
    <message>
        <source>保存结果</source>
        <translation>Save result</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>读取驱动器中每一行的当前值（不写入），标出与文件不同的行</source>
        <translation>Reads the drive&apos;s present value of every row without writing and marks the rows that differ from the file</translation>
    </message>
    <message>
        <source>保存并重启后读回每一行，标出没有保持的行</source>
        <translation>After storing and restarting, reads every row back and marks the rows that did not persist</translation>
    </message>
    <message>
        <source>等待驱动器...</source>
        <translation>Waiting for the drive...</translation>
    </message>
    <message>
        <source>开始比较数据...</source>
        <translation>Start compare data...</translation>
    </message>
    <message>
        <source>开始校验数据...</source>
        <translation>Start verify data...</translation>
    </message>
    <message>
        <source>驱动器无应答，传输已停止。</source>
        <translation>The drive does not answer; the transfer has stopped.</translation>
    </message>
    <message>
        <source>驱动器拒绝保存参数!</source>
        <translation type="vanished">The drive refused to store the parameters!</translation>
    </message>
    <message>
        <source>驱动器无应答!</source>
        <translation>The drive does not answer!</translation>
    </message>
    <message>
        <source>只显示不同的行</source>
        <translation>Show differences only</translation>
    </message>
    <message>
        <source>没有装入数据文件!</source>
        <translation>No drive-data file is loaded!</translation>
    </message>
    <message>
        <source>读取驱动器标识...</source>
        <translation>Reading the drive&apos;s identity...</translation>
    </message>
    <message>
        <source>%1 保存自另一个驱动器：
%2</source>
        <translation>%1 was saved from another drive:
%2</translation>
    </message>
    <message>
        <source>
仍然写入这个驱动器吗？</source>
        <translation>
Write it into this drive all the same?</translation>
    </message>
    <message>
        <source>上次写入后%2行中有%1行不是True。仍然保存参数吗？</source>
        <translation>The last write left %1 of %2 rows not True. Store the parameters all the same?</translation>
    </message>
    <message>
        <source>驱动器没有或拒绝的行：</source>
        <translation>Rows the drive lacks or refuses:</translation>
    </message>
    <message>
        <source>驱动器拒绝重启: %1</source>
        <translation>The drive refused to restart: %1</translation>
    </message>
    <message>
        <source>驱动器拒绝保存参数: %1</source>
        <translation>The drive refused to store the parameters: %1</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CLanguageDialog</name>
    <message>
        <source>语言切换</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>应用程序重启, 设置才有效</source>
        <translation>The setting takes effect after the program restarts</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CLinkSettingsPage</name>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CMainFrame</name>
    <message>
        <source>TARNEX Servo</source>
        <translation>TARNEX Servo</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>计算机(&amp;C)</source>
        <translation>&amp;Computer</translation>
    </message>
    <message>
        <source>通讯方式</source>
        <translation>Link type</translation>
    </message>
    <message>
        <source>属性</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>驱动器(&amp;D)</source>
        <translation>&amp;Drive</translation>
    </message>
    <message>
        <source>基本操作</source>
        <translation>Basic operation</translation>
    </message>
    <message>
        <source>控制环</source>
        <translation>Control loops</translation>
    </message>
    <message>
        <source>位置环</source>
        <translation>Position loop</translation>
    </message>
    <message>
        <source>速度环</source>
        <translation>Velocity loop</translation>
    </message>
    <message>
        <source>电流环</source>
        <translation>Current loop</translation>
    </message>
    <message>
        <source>I／O口</source>
        <translation>I/O</translation>
    </message>
    <message>
        <source>工作模式</source>
        <translation>Working modes</translation>
    </message>
    <message>
        <source>脉冲模式</source>
        <translation>Pulse mode</translation>
    </message>
    <message>
        <source>模拟速度模式</source>
        <translation>Analog velocity mode</translation>
    </message>
    <message>
        <source>模拟力矩模式</source>
        <translation>Analog torque mode</translation>
    </message>
    <message>
        <source>位置段模式</source>
        <translation>Position table mode</translation>
    </message>
    <message>
        <source>速度段模式</source>
        <translation>Velocity table mode</translation>
    </message>
    <message>
        <source>原点模式</source>
        <translation>Homing mode</translation>
    </message>
    <message>
        <source>自整定</source>
        <translation>Autotuning</translation>
    </message>
    <message>
        <source>自动翻转</source>
        <translation>Auto reverse</translation>
    </message>
    <message>
        <source>数据字典</source>
        <translation>Data dictionary</translation>
    </message>
    <message>
        <source>驱动器配置</source>
        <translation>Drive configuration</translation>
    </message>
    <message>
        <source>其它</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>示波器</source>
        <translation>Oscilloscope</translation>
    </message>
    <message>
        <source>实时错误</source>
        <translation>Real-time errors</translation>
    </message>
    <message>
        <source>历史错误</source>
        <translation>Error history</translation>
    </message>
    <message>
        <source>控制面板</source>
        <translation>Control panel</translation>
    </message>
    <message>
        <source>初始化/保存</source>
        <translation>Initialise/Store</translation>
    </message>
    <message>
        <source>驱动器属性</source>
        <translation>Drive properties</translation>
    </message>
    <message>
        <source>电机(&amp;M)</source>
        <translation>&amp;Motor</translation>
    </message>
    <message>
        <source>电机配置</source>
        <translation>Motor configuration</translation>
    </message>
    <message>
        <source>扩展功能(&amp;E)</source>
        <translation>&amp;Extensions</translation>
    </message>
    <message>
        <source>语言切换</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>读驱动器配置</source>
        <translation>Read drive data</translation>
    </message>
    <message>
        <source>写驱动器配置</source>
        <translation>Write drive data</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>状态栏</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于 TARNEX Servo</source>
        <translation>About TARNEX Servo</translation>
    </message>
    <message>
        <source>通讯开关</source>
        <translation>Link on/off</translation>
    </message>
    <message>
        <source>层叠</source>
        <translation>Cascade</translation>
    </message>
    <message>
        <source>平铺</source>
        <translation>Tile</translation>
    </message>
    <message>
        <source>Comm Status: Open  simulated drive</source>
        <translation>Comm Status: Open  simulated drive</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CNetworkPane</name>
    <message>
        <source>启动报文</source>
        <translation>boot-up</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>operational</translation>
    </message>
    <message>
        <source>预运行</source>
        <translation>pre-operational</translation>
    </message>
    <message>
        <source>节点%1</source>
        <translation>Node %1</translation>
    </message>
    <message>
        <source>心跳丢失</source>
        <translation>lost</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CSdoList</name>
    <message>
        <source>对象索引</source>
        <translation>Object index</translation>
    </message>
    <message>
        <source>对象名字</source>
        <translation>Object name</translation>
    </message>
    <message>
        <source>查找下一个</source>
        <translation>Find next</translation>
    </message>
    <message>
        <source>排列方式</source>
        <translation>Sort by</translation>
    </message>
    <message>
        <source>查找条件</source>
        <translation>Find</translation>
    </message>
</context>
<context>
    <name>morlo::gui::CStoreDialog</name>
    <message>
        <source>参数初始化 / 保存</source>
        <translation>Initialise / store parameters</translation>
    </message>
    <message>
        <source>存储控制参数</source>
        <translation>Store control parameters</translation>
    </message>
    <message>
        <source>存储电机参数</source>
        <translation>Store motor parameters</translation>
    </message>
    <message>
        <source>初始化控制参数</source>
        <translation>Initialise control parameters</translation>
    </message>
    <message>
        <source>驱动器重启</source>
        <translation>Restart drive</translation>
    </message>
    <message>
        <source>驱动器重启...</source>
        <translation>Restarting the drive...</translation>
    </message>
    <message>
        <source>驱动器拒绝: %1 %2 %3</source>
        <translation>The drive refused: %1 %2 %3</translation>
    </message>
    <message>
        <source>驱动器无应答!</source>
        <translation>The drive does not answer!</translation>
    </message>
</context>
<context>
    <name>morlo::gui::MeasurementTable</name>
    <message>
        <source>复制</source>
        <translation type="vanished">Copy</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Ch</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>有效值</source>
        <translation>RMS</translation>
    </message>
    <message>
        <source>峰峰值</source>
        <translation>p-p</translation>
    </message>
    <message>
        <source>游标之间</source>
        <translation>Between the cursors</translation>
    </message>
    <message>
        <source>整个记录</source>
        <translation>Whole record</translation>
    </message>
    <message>
        <source>Δt = %1 ms</source>
        <translation>Δt = %1 ms</translation>
    </message>
    <message>
        <source>1/Δt = %1 Hz</source>
        <translation>1/Δt = %1 Hz</translation>
    </message>
    <message>
        <source>1/Δt = --</source>
        <translation>1/Δt = --</translation>
    </message>
</context>
<context>
    <name>morlo::gui::ParameterPage</name>
    <message>
        <source>add</source>
        <translation>add</translation>
    </message>
    <message>
        <source>del</source>
        <translation>del</translation>
    </message>
    <message>
        <source>help</source>
        <translation>help</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Record to file</translation>
    </message>
    <message>
        <source>本页没有周期读取的对象，无可记录。</source>
        <translation>This page has no object read cyclically: there is nothing to record.</translation>
    </message>
    <message>
        <source>无法写入%1。</source>
        <translation>%1 cannot be written.</translation>
    </message>
    <message>
        <source>无法写入%1，记录已停止。</source>
        <translation>%1 cannot be written; the recording has stopped.</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>记录到文件…</source>
        <translation>Record to file…</translation>
    </message>
</context>
<context>
    <name>morlo::gui::SpectrumView</name>
    <message>
        <source>频谱</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>线性</source>
        <translation>linear</translation>
    </message>
    <message>
        <source>汉宁窗，去除平均值；范围同测量表</source>
        <translation>Hann window, mean removed; the stretch of the measurement table</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Ch</translation>
    </message>
    <message>
        <source>刻度</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>数据不足，无法计算频谱</source>
        <translation>Too few samples for a spectrum</translation>
    </message>
    <message>
        <source>峰值：%1 Hz，%2</source>
        <translation>peak: %1 Hz, %2</translation>
    </message>
    <message>
        <source>游标：%1 Hz，%2</source>
        <translation>cursor: %1 Hz, %2</translation>
    </message>
    <message>
        <source>峰值 %1 Hz</source>
        <translation>peak %1 Hz</translation>
    </message>
</context>
</TS>
