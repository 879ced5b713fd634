<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BaudRatePanel</name>
    <message>
        <source>当前波特率：       更改为</source>
        <translation>Current baud:    Change to</translation>
    </message>
    <message>
        <source>当前波特率代码</source>
        <translation>Current baud rate code</translation>
    </message>
    <message>
        <source>更改为的波特率代码</source>
        <translation>New baud rate code</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>值对应波特率 1-4800 2-9600 3-14400 4-19200 5-38400</source>
        <translation>Codes: 1-4800 2-9600 3-14400 4-19200 5-38400</translation>
    </message>
    <message>
        <source>当前波特率</source>
        <translation>Current baud rate</translation>
    </message>
    <message>
        <source>更改为</source>
        <translation>Change to</translation>
    </message>
    <message>
        <source>修改波特率</source>
        <translation>Change baud rate</translation>
    </message>
    <message>
        <source>%1：写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
    <message>
        <source>，请核对“当前波特率”代码</source>
        <translation>; check the &quot;Current baud rate&quot; code</translation>
    </message>
    <message>
        <source>%1：记录仪波特率已改为 %2（代码 %3）。本机端口仍为 %4，请在“串口设置”中把波特率改为 %2 并重新打开端口后再通讯。</source>
        <translation>%1: the recorder&apos;s baud rate is now %2 (code %3). This computer&apos;s port is still at %4: set the baud rate to %2 under &quot;Serial port settings&quot; and open the port again before communicating.</translation>
    </message>
</context>
<context>
    <name>BoxInput</name>
    <message>
        <source>功能号</source>
        <translation>Function</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data length</translation>
    </message>
    <message>
        <source>定时(ms)</source>
        <translation>Timer (ms)</translation>
    </message>
</context>
<context>
    <name>BusScanPanel</name>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>结束地址</source>
        <translation>Last address</translation>
    </message>
    <message>
        <source>应答等待(ms)</source>
        <translation>Reply wait (ms)</translation>
    </message>
    <message>
        <source>依次使用记录仪的五种波特率（4800–38400），否则只用端口当前的波特率</source>
        <translation>Try the recorder&apos;s five baud rates in turn (4800–38400); otherwise only the port&apos;s current baud rate</translation>
    </message>
    <message>
        <source>开始扫描</source>
        <translation>Start scan</translation>
    </message>
    <message>
        <source>向每个地址读一次传感器总数（只读，不写入任何内容），列出应答的设备</source>
        <translation>Reads the sensor count once at each address (read only, nothing is written) and lists the devices that reply</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>立即停止扫描</source>
        <translation>Stop the scan now</translation>
    </message>
    <message>
        <source>扫描进度</source>
        <translation>Scan progress</translation>
    </message>
    <message>
        <source>正在询问的地址</source>
        <translation>Address being asked</translation>
    </message>
    <message>
        <source>扫描剩余时间</source>
        <translation>Scan time left</translation>
    </message>
    <message>
        <source>找到的设备</source>
        <translation>Devices found</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>应答</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>设为当前设备</source>
        <translation>Use this device</translation>
    </message>
    <message>
        <source>把选中设备的地址填入“设备地址”，并把端口改为它的波特率</source>
        <translation>Puts the chosen device&apos;s address into &quot;Device address&quot; and sets the port to its baud rate</translation>
    </message>
    <message>
        <source>（应答较慢，可加大应答等待）</source>
        <translation> (slow reply: a longer reply wait may help)</translation>
    </message>
    <message>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <source>总线扫描：端口未打开，未扫描</source>
        <translation>Bus scan: the port is not open; nothing was scanned</translation>
    </message>
    <message>
        <source>正在询问：地址 %1，%2 bps</source>
        <translation>Asking: address %1, %2 bps</translation>
    </message>
    <message>
        <source>总线扫描：完成</source>
        <translation>Bus scan: done</translation>
    </message>
    <message>
        <source>总线扫描：已停止</source>
        <translation>Bus scan: stopped</translation>
    </message>
    <message>
        <source>总线扫描：端口已断开，扫描中止</source>
        <translation>Bus scan: the port was disconnected; scan stopped</translation>
    </message>
    <message>
        <source>，询问了 %1 次，找到 %2 台设备</source>
        <translation>, %1 requests, %2 devices found</translation>
    </message>
    <message>
        <source>；端口不支持 %1 bps，未扫描该波特率</source>
        <translation>; the port does not support %1 bps, so that rate was not scanned</translation>
    </message>
    <message>
        <source>设为当前设备：请先在列表中选择一台设备</source>
        <translation>Use this device: first choose a device in the list</translation>
    </message>
    <message>
        <source>设为当前设备：设备地址 %1，端口波特率 %2（按“保存”可写入 comm.set）</source>
        <translation>Use this device: device address %1, port baud rate %2 (&quot;Save&quot; writes it to comm.set)</translation>
    </message>
</context>
<context>
    <name>ClockPanel</name>
    <message>
        <source>星期（1为星期日，7为星期六）</source>
        <translation>Weekday (1 Sunday, 7 Saturday)</translation>
    </message>
    <message>
        <source>写入电脑时钟</source>
        <translation>Write PC clock</translation>
    </message>
    <message>
        <source>读时钟</source>
        <translation>Read clock</translation>
    </message>
    <message>
        <source>写入电脑时钟：未完成（%1）</source>
        <translation>Write PC clock: not done (%1)</translation>
    </message>
    <message>
        <source>写入电脑时钟：设备时钟已设为 20%1-%2-%3 %4:%5:%6</source>
        <translation>Write PC clock: the device clock is set to 20%1-%2-%3 %4:%5:%6</translation>
    </message>
    <message>
        <source>写入电脑时钟：以下写入未被确认：%1</source>
        <translation>Write PC clock: these writes were not confirmed: %1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>CommandStart</name>
    <message>
        <source>总线忙：另一条命令正在进行，本命令未执行。</source>
        <translation>Bus busy: another command is in progress; this command was not run.</translation>
    </message>
    <message>
        <source>%1：总线忙，另一条命令正在进行，命令未发送</source>
        <translation>%1: bus busy, another command is in progress; the command was not sent</translation>
    </message>
</context>
<context>
    <name>ExportPanel</name>
    <message>
        <source>系统提示</source>
        <translation>System Notice</translation>
    </message>
    <message>
        <source>导出数据为记事本TXT</source>
        <translation>Export as TXT</translation>
    </message>
    <message>
        <source>导出数据为EXCEL表格</source>
        <translation>Export as Excel</translation>
    </message>
    <message>
        <source>导出数据为CSV</source>
        <translation>Export as CSV</translation>
    </message>
    <message>
        <source>EXCEL已打开</source>
        <translation>Excel is open</translation>
    </message>
    <message>
        <source>数据源为空，请先读取记录仪数据!</source>
        <translation>No data: read the recorder&apos;s data first!</translation>
    </message>
    <message>
        <source>“%1”中的“%2”不是有效的数字，导出未进行。</source>
        <translation>&quot;%2&quot; in &quot;%1&quot; is not a valid number; nothing was exported.</translation>
    </message>
    <message>
        <source>条数</source>
        <translation>Count</translation>
    </message>
    <message>
        <source>传感器总数</source>
        <translation>Sensor count</translation>
    </message>
    <message>
        <source>正在处理</source>
        <translation>Processing</translation>
    </message>
    <message>
        <source>共%1条</source>
        <translation>%1 in all</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>已导出到 %1，但以下记录未导出：
</source>
        <translation>Exported to %1, but these records were not exported:
</translation>
    </message>
</context>
<context>
    <name>ExtendedPage</name>
    <message>
        <source>测点数据倍率</source>
        <translation>Measuring point multipliers</translation>
    </message>
    <message>
        <source>传感器类型</source>
        <translation>Sensor types</translation>
    </message>
</context>
<context>
    <name>FileChoice</name>
    <message>
        <source>系统提示</source>
        <translation>System Notice</translation>
    </message>
    <message>
        <source>%1 已存在。
要替换它吗？</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>HistoryPanel</name>
    <message>
        <source>只显示超限记录</source>
        <translation>Only records out of limits</translation>
    </message>
    <message>
        <source>表中只列出有传感器超出其限值的记录（限值在“传感器”页设定）</source>
        <translation>The table lists only the records where a sensor is outside its limits (limits are set on the &quot;Sensors&quot; tab)</translation>
    </message>
</context>
<context>
    <name>InstrumentPage</name>
    <message>
        <source>RS485 MODBUS-RTU轮循设备总数</source>
        <translation>RS485 MODBUS-RTU polled devices</translation>
    </message>
    <message>
        <source>记录时间间隔</source>
        <translation>Recording interval</translation>
    </message>
    <message>
        <source>设备时钟</source>
        <translation>Device clock</translation>
    </message>
    <message>
        <source>RS485轮循数据长度</source>
        <translation>RS485 polling data length</translation>
    </message>
    <message>
        <source>RS485轮循寄存器起始地址</source>
        <translation>RS485 polling first register</translation>
    </message>
    <message>
        <source>RS485轮循设备地址</source>
        <translation>RS485 polling device address</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
</context>
<context>
    <name>IntervalPanel</name>
    <message>
        <source>时间间隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>设置记录时间间隔</source>
        <translation>Set recording interval</translation>
    </message>
    <message>
        <source>读记录时间间隔</source>
        <translation>Read recording interval</translation>
    </message>
    <message>
        <source>值范围：1-9999，0时则不记录,当需要两个时间差为整数时，比如定时60秒，此值应设为59，建议此值大于59秒，以保证通讯流畅</source>
        <translation>Range 1-9999; 0 records nothing. For whole steps between records, e.g. every 60 seconds, set 59. Values above 59 seconds are advised, so that communication runs smoothly</translation>
    </message>
    <message>
        <source>已设为 0（不记录）</source>
        <translation>set to 0 (no recording)</translation>
    </message>
    <message>
        <source>已设为 0（不记录；%1）</source>
        <translation>set to 0 (no recording; %1)</translation>
    </message>
    <message>
        <source>已设为 %1 秒</source>
        <translation>set to %1 seconds</translation>
    </message>
    <message>
        <source>已设为 %1 秒（%2）</source>
        <translation>set to %1 seconds (%2)</translation>
    </message>
</context>
<context>
    <name>LanguagePanel</name>
    <message>
        <source>启动时的界面语言：</source>
        <translation>Language at start:</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存界面语言</source>
        <translation>Save the window&apos;s language</translation>
    </message>
    <message>
        <source>界面语言未保存：%1</source>
        <translation>The language was not saved: %1</translation>
    </message>
    <message>
        <source>界面语言已保存：%1。</source>
        <translation>Language saved: %1.</translation>
    </message>
    <message>
        <source>界面语言已保存：%1，下次启动时生效。</source>
        <translation>Language saved: %1. It takes effect the next time the program starts.</translation>
    </message>
</context>
<context>
    <name>LivePage</name>
    <message>
        <source>特别注意：记录仪默认设备地址为21</source>
        <translation>Note: the recorder&apos;s default device address is 21</translation>
    </message>
    <message>
        <source>温度组1</source>
        <translation>Temperature group 1</translation>
    </message>
    <message>
        <source>多模块操作</source>
        <translation>Multi-module</translation>
    </message>
    <message>
        <source>单次采集</source>
        <translation>Single acquisition</translation>
    </message>
    <message>
        <source>存储状态监测</source>
        <translation>Storage state</translation>
    </message>
</context>
<context>
    <name>LiveTrendPanel</name>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>显示的传感器</source>
        <translation>Sensors shown</translation>
    </message>
    <message>
        <source>%1#传感器</source>
        <translation>Sensor %1</translation>
    </message>
    <message>
        <source>显示全部</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>曲线读数</source>
        <translation>Trend reading</translation>
    </message>
</context>
<context>
    <name>LiveValuesPanel</name>
    <message>
        <source>设备 %1 超出限值：%2</source>
        <translation>Device %1 out of limits: %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>第%1路</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>，限值 %1 … %2</source>
        <translation>, limits %1 … %2</translation>
    </message>
    <message>
        <source>，下限 %1</source>
        <translation>, low limit %1</translation>
    </message>
    <message>
        <source>，上限 %1</source>
        <translation>, high limit %1</translation>
    </message>
    <message>
        <source>高于上限 %1</source>
        <translation>above the high limit %1</translation>
    </message>
    <message>
        <source>低于下限 %1</source>
        <translation>below the low limit %1</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <translation>%1 %2 %3</translation>
    </message>
    <message>
        <source>%1：%2，超出限值</source>
        <translation>%1: %2, out of limits</translation>
    </message>
    <message>
        <source>第%1路实时值</source>
        <translation>Live value of channel %1</translation>
    </message>
    <message>
        <source>%1：%2；只收到 %3 个值，已显示，其余保持原值</source>
        <translation>%1: %2; only %3 values received and shown, the others keep their values</translation>
    </message>
</context>
<context>
    <name>ModbusPanel</name>
    <message>
        <source>MODBUS-RTU设置</source>
        <translation>MODBUS-RTU settings</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>起始地址</source>
        <translation>First address</translation>
    </message>
    <message>
        <source>数据长度</source>
        <translation>Data length</translation>
    </message>
    <message>
        <source>功能号</source>
        <translation>Function</translation>
    </message>
</context>
<context>
    <name>PollingPanel</name>
    <message>
        <source>单次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>循环</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>多设备循检</source>
        <translation>Multi-device pass</translation>
    </message>
    <message>
        <source>定时(ms)</source>
        <translation>Timer (ms)</translation>
    </message>
    <message>
        <source>超始设备地址</source>
        <translation>First device address</translation>
    </message>
    <message>
        <source>终止设备地址</source>
        <translation>Last device address</translation>
    </message>
</context>
<context>
    <name>PollingTablePanel</name>
    <message>
        <source>读参数</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>读参数：%1</source>
        <translation>Read parameters: %1</translation>
    </message>
    <message>
        <source>写参数</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>写参数：%1</source>
        <translation>Write parameters: %1</translation>
    </message>
    <message>
        <source>%1 预设值</source>
        <translation>%1 preset value</translation>
    </message>
    <message>
        <source>统一预设</source>
        <translation>Same for all</translation>
    </message>
    <message>
        <source>顺序预设</source>
        <translation>In sequence</translation>
    </message>
    <message>
        <source>测点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>寄存器 %1 已写入 %2</source>
        <translation>register %1 set to %2</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>测点%1 的“%2”</source>
        <translation>&quot;%2&quot; of point %1</translation>
    </message>
    <message>
        <source>测点%1 %2</source>
        <translation>point %1 %2</translation>
    </message>
    <message>
        <source>“%1”中以下参数不是 %2 到 %3 之间的数值，所有参数都未写入：%4。</source>
        <translation>These parameters in &quot;%1&quot; are not numbers from %2 to %3, so no parameter was written: %4.</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>寄存器 %1（%2）</source>
        <translation>register %1 (%2)</translation>
    </message>
    <message>
        <source>%1：已发送 %2 个参数后中止（%3）</source>
        <translation>%1: stopped after %2 parameters were sent (%3)</translation>
    </message>
    <message>
        <source>命令已停止</source>
        <translation>the command was stopped</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>the port is not open</translation>
    </message>
    <message>
        <source>%1：%2 个参数已写入寄存器 %3–%4</source>
        <translation>%1: %2 parameters written to registers %3–%4</translation>
    </message>
    <message>
        <source>%1：%2 个参数中 %3 个未被确认：%4</source>
        <translation>%1: %3 of %2 parameters were not confirmed: %4</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>已通知记录仪采用“%1”（线圈 %2）</source>
        <translation>The recorder was told to take up &quot;%1&quot; (coil %2)</translation>
    </message>
</context>
<context>
    <name>PortPanel</name>
    <message>
        <source>串口设置</source>
        <translation>Serial port settings</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Serial port number</translation>
    </message>
    <message>
        <source>粗体的端口表示其设备现在存在。
拔插后 USB 适配器可能换名（ttyUSB0 变成 ttyUSB1），要让它总是同一个 COM 号，在 %1 中写一行，例如
COM4=/dev/serial/by-id/usb-FTDI_…（ls -l /dev/serial/by-id/ 列出现有的名称）</source>
        <translation>A port in bold has its device present now.
After replugging, a USB adapter may change its name (ttyUSB0 becomes ttyUSB1). To keep it on the same COM number, write a line in %1, for example
COM4=/dev/serial/by-id/usb-FTDI_… (ls -l /dev/serial/by-id/ lists the names present)</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>打开端口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>关闭端口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>COM%1（%2）</source>
        <translation>COM%1 (%2)</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>connected</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>not connected</translation>
    </message>
    <message>
        <source>COM%1（%2，%3）</source>
        <translation>COM%1 (%2, %3)</translation>
    </message>
    <message>
        <source>COM%1 = %2（%3）</source>
        <translation>COM%1 = %2 (%3)</translation>
    </message>
    <message>
        <source>波特率“%1”不是 %2 到 %3 之间的整数，端口设置未改变。</source>
        <translation>The baud rate &quot;%1&quot; is not a whole number from %2 to %3; the port settings were not changed.</translation>
    </message>
    <message>
        <source>端口 %1 已打开，%2,N,8,1</source>
        <translation>Port %1 open, %2,N,8,1</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>端口 %1 未能打开</source>
        <translation>Port %1 could not be opened</translation>
    </message>
    <message>
        <source>端口已关闭</source>
        <translation>Port closed</translation>
    </message>
    <message>
        <source>设置未保存：无法写入 %1</source>
        <translation>Settings not saved: cannot write %1</translation>
    </message>
    <message>
        <source>无法写入 %1：%2
设置未保存，原有文件保持不变。</source>
        <translation>Cannot write %1: %2
The settings were not saved; the existing file is unchanged.</translation>
    </message>
    <message>
        <source>设置已保存到 comm.set，但端口 %1 未能打开</source>
        <translation>Settings saved to comm.set, but port %1 could not be opened</translation>
    </message>
</context>
<context>
    <name>RecordArchive</name>
    <message>
        <source>未能存档：%1</source>
        <translation>Not archived: %1</translation>
    </message>
    <message>
        <source>读到的 %1 条记录未能存入存档（%2）。
记录仍在接收框中，可以照常导出。</source>
        <translation>The %1 records read could not be stored in the archive (%2).
The records are still in the receive box and can be exported as usual.</translation>
    </message>
    <message>
        <source>已存档，新增 %1 条</source>
        <translation>Archived, %1 new</translation>
    </message>
</context>
<context>
    <name>RecorderNamePanel</name>
    <message>
        <source>；传感器名称与限值未能改到新名称下（%1）</source>
        <translation>; the sensor names and limits could not be moved to the new name (%1)</translation>
    </message>
</context>
<context>
    <name>RegisterCommands</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1：写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
</context>
<context>
    <name>SensorCountRead</name>
    <message>
        <source>读传感器总数</source>
        <translation>Read sensor count</translation>
    </message>
</context>
<context>
    <name>SensorTablePanel</name>
    <message>
        <source>记录仪</source>
        <translation>Recorder</translation>
    </message>
    <message>
        <source>传感器名称与限值</source>
        <translation>Sensor names and limits</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>下限</source>
        <translation>Low limit</translation>
    </message>
    <message>
        <source>上限</source>
        <translation>High limit</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>把这台记录仪的传感器名称和限值存入 sensors.set</source>
        <translation>Save this recorder&apos;s sensor names and limits in sensors.set</translation>
    </message>
    <message>
        <source>限值与实时值、历史值一样以一位小数表示；留空表示没有该限值。等于限值仍在范围内，无读数的传感器从不超限。</source>
        <translation>Limits have one decimal, like live and archived values; leave a limit empty for none. A value equal to a limit is within range; a sensor without a reading is never out of limits.</translation>
    </message>
    <message>
        <source>传感器设置未保存：%1。</source>
        <translation>Sensor settings not saved: %1.</translation>
    </message>
    <message>
        <source>没有选择记录仪</source>
        <translation>No recorder chosen</translation>
    </message>
    <message>
        <source>%1#传感器的%2“%3”不是最多一位小数的数</source>
        <translation>Sensor %1: %2 &quot;%3&quot; is not a number with at most one decimal</translation>
    </message>
    <message>
        <source>%1#传感器：%2</source>
        <translation>Sensor %1: %2</translation>
    </message>
    <message>
        <source>传感器设置：%1 的传感器名称与限值已存入 sensors.set</source>
        <translation>Sensor settings: the sensor names and limits of %1 are saved in sensors.set</translation>
    </message>
</context>
<context>
    <name>SettingsFilePanel</name>
    <message>
        <source>保存记录仪设置</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source>载入记录仪设置</source>
        <translation>Load settings</translation>
    </message>
    <message>
        <source>寄存器 %1（%2）</source>
        <translation>register %1 (%2)</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>读出当前设备地址的记录仪的轮循参数表和记录时间间隔，保存到文件</source>
        <translation>Reads the polling table and recording interval of the recorder at the current device address and saves them to a file</translation>
    </message>
    <message>
        <source>把文件中的设置写入当前设备地址的记录仪：先列出不同之处，确认后写入、更新到设备并读回核对</source>
        <translation>Writes the file&apos;s settings to the recorder at the current device address: lists the differences first, then, once confirmed, writes them, applies them on the device and reads them back to check</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>立即停止保存或载入</source>
        <translation>Stop saving or loading now</translation>
    </message>
    <message>
        <source>设置文件操作状态</source>
        <translation>Settings file progress</translation>
    </message>
    <message>
        <source>读设置</source>
        <translation>Read settings</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>the port is not open</translation>
    </message>
    <message>
        <source>读寄存器 %1–%2 时%3</source>
        <translation>reading registers %1–%2: %3</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>the reply was incomplete</translation>
    </message>
    <message>
        <source>%1：正在读取设备 %2 的设置……</source>
        <translation>%1: reading the settings of device %2…</translation>
    </message>
    <message>
        <source>%1：%2，未保存</source>
        <translation>%1: %2, not saved</translation>
    </message>
    <message>
        <source>%1：已取消，未保存</source>
        <translation>%1: cancelled, not saved</translation>
    </message>
    <message>
        <source>无法写入 %1：%2
设置未保存，原有文件保持不变。</source>
        <translation>Cannot write %1: %2
The settings were not saved; the existing file is unchanged.</translation>
    </message>
    <message>
        <source>%1：未能写入文件，未保存</source>
        <translation>%1: the file could not be written, not saved</translation>
    </message>
    <message>
        <source>%1：设备 %2 的 %3 个参数已保存到 %4</source>
        <translation>%1: %3 parameters of device %2 saved to %4</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>the file does not exist</translation>
    </message>
    <message>
        <source>%1 不能载入：%2
没有写入任何参数。</source>
        <translation>%1 cannot be loaded: %2
No parameter was written.</translation>
    </message>
    <message>
        <source>%1：文件不能载入，没有写入任何参数</source>
        <translation>%1: the file cannot be loaded; no parameter was written</translation>
    </message>
    <message>
        <source>%1：正在读取设备 %2 现在的设置……</source>
        <translation>%1: reading the current settings of device %2…</translation>
    </message>
    <message>
        <source>，没有写入任何参数</source>
        <translation>; no parameter was written</translation>
    </message>
    <message>
        <source>设备 %1 的设置与文件相同，无需写入</source>
        <translation>Device %1 already has the file&apos;s settings; nothing to write</translation>
    </message>
    <message>
        <source>设备 %1 有 %2 个参数与文件 %3 不同（现值→文件值）：
%4

写入这些参数并更新到设备？</source>
        <translation>%2 parameters of device %1 differ from the file %3 (now→file):
%4

Write these parameters and apply them on the device?</translation>
    </message>
    <message>
        <source>已取消，没有写入任何参数</source>
        <translation>Cancelled; no parameter was written</translation>
    </message>
    <message>
        <source>%1：正在写入 %2/%3</source>
        <translation>%1: writing %2/%3</translation>
    </message>
    <message>
        <source>%1，已写入 %2 个参数，未更新到设备</source>
        <translation>%1 after %2 parameters were written; not applied on the device</translation>
    </message>
    <message>
        <source>端口未打开或已断开</source>
        <translation>the port is not open or was disconnected</translation>
    </message>
    <message>
        <source>%1写入未被确认（%2）</source>
        <translation>%1: the write was not confirmed (%2)</translation>
    </message>
    <message>
        <source>%1，参数已写入，但未全部更新到设备</source>
        <translation>%1: the parameters were written, but not all were applied on the device</translation>
    </message>
    <message>
        <source>“%1”更新到设备（线圈 %2）未被确认（%3）</source>
        <translation>applying &quot;%1&quot; on the device (coil %2) was not confirmed (%3)</translation>
    </message>
    <message>
        <source>%1 个参数已写入并更新到设备，但读回时%2，无法核对</source>
        <translation>%1 parameters were written and applied, but on reading back: %2; they could not be checked</translation>
    </message>
    <message>
        <source>%1：应为 %2，读回 %3</source>
        <translation>%1: should be %2, read back %3</translation>
    </message>
    <message>
        <source>%1 个参数已写入设备 %2 并更新，读回与文件一致</source>
        <translation>%1 parameters written to device %2 and applied; the read-back matches the file</translation>
    </message>
    <message>
        <source>已向设备 %1 发送 %2 个参数，%3 个读回与文件不同，%4 个写入未被确认</source>
        <translation>%2 parameters sent to device %1; %3 read back differently from the file, %4 writes were not confirmed</translation>
    </message>
    <message>
        <source>%1：
%2</source>
        <translation>%1:
%2</translation>
    </message>
</context>
<context>
    <name>StatusPanel</name>
    <message>
        <source>运行状态栏</source>
        <translation>Run status</translation>
    </message>
    <message>
        <source>通讯状态灯：绿色，已到应答时间</source>
        <translation>Communication lamp: green, the reply time has come</translation>
    </message>
    <message>
        <source>通讯状态灯：黄色，正在发送请求</source>
        <translation>Communication lamp: yellow, sending a request</translation>
    </message>
    <message>
        <source>通讯状态灯：红色，端口未打开</source>
        <translation>Communication lamp: red, the port is not open</translation>
    </message>
    <message>
        <source>数据采集通讯状态指示</source>
        <translation>Acquisition communication state</translation>
    </message>
    <message>
        <source>收到应答次数</source>
        <translation>Replies received</translation>
    </message>
    <message>
        <source>多模块循环次数</source>
        <translation>Multi-module cycles</translation>
    </message>
    <message>
        <source>发送请求次数</source>
        <translation>Requests sent</translation>
    </message>
</context>
<context>
    <name>StorageStatePanel</name>
    <message>
        <source>开始监测</source>
        <translation>Read storage state</translation>
    </message>
    <message>
        <source>启动次数</source>
        <translation>Starts</translation>
    </message>
    <message>
        <source>已记录分钟数</source>
        <translation>Minutes recorded</translation>
    </message>
    <message>
        <source>存储状态监测</source>
        <translation>Storage state</translation>
    </message>
</context>
<context>
    <name>ToolsPage</name>
    <message>
        <source>界面语言（Language）</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>记录仪设置文件</source>
        <translation>Recorder settings file</translation>
    </message>
    <message>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
</context>
<context>
    <name>TrafficPanel</name>
    <message>
        <source>命令状态</source>
        <translation>Command state</translation>
    </message>
    <message>
        <source>发送命令（十六进制）</source>
        <translation>Command sent (hex)</translation>
    </message>
    <message>
        <source>响应命令（十六进制）</source>
        <translation>Reply received (hex)</translation>
    </message>
    <message>
        <source>发送命令</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>响应命令</source>
        <translation>Reply</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>传感器</source>
        <translation>Sensors</translation>
    </message>
    <message>
        <source>WL8806N智能RS485动态水分记录仪随机软件V14.12.10</source>
        <translation>WL8806N Smart RS485 Dynamic Moisture Recorder Software V14.12.10</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Live data</translation>
    </message>
    <message>
        <source>仪器设置</source>
        <translation>Instrument settings</translation>
    </message>
    <message>
        <source>扩展设置</source>
        <translation>Extended settings</translation>
    </message>
    <message>
        <source>记录操作</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>维护工具</source>
        <translation>Maintenance</translation>
    </message>
    <message>
        <source>实时曲线</source>
        <translation>Live trend</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>History</translation>
    </message>
    <message>
        <source>状态栏</source>
        <translation>Status line</translation>
    </message>
    <message>
        <source>串口 %1 已断开（设备被拔出或连接中断），端口已关闭。</source>
        <translation>Serial port %1 was disconnected (the device was unplugged or the connection broke); the port is closed.</translation>
    </message>
    <message>
        <source>COM%1、%2 波特</source>
        <translation>COM%1, %2 baud</translation>
    </message>
    <message>
        <source>设备地址 %1、模块总数 %2</source>
        <translation>device address %1, module count %2</translation>
    </message>
    <message>
        <source>记录应答窗口 %1 毫秒、每条 %2 次、保护时间 %3 毫秒</source>
        <translation>record reply window %1 ms, %2 attempts each, guard time %3 ms</translation>
    </message>
    <message>
        <source>。
</source>
        <translation>.
</translation>
    </message>
    <message>
        <source>。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>%1，已使用%2</source>
        <translation>%1, using %2</translation>
    </message>
</context>
<context>
    <name>language</name>
    <message>
        <source>--lang %1 不是可用的语言（可用 zh 或 en）</source>
        <translation>--lang %1 is not a language of the program (zh or en)</translation>
    </message>
    <message>
        <source>%1 中的“%2”不是可用的语言（可用 zh 或 en）</source>
        <translation>&quot;%2&quot; in %1 is not a language of the program (zh or en)</translation>
    </message>
    <message>
        <source>%1 无法使用：%2</source>
        <translation>%1 cannot be used: %2</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>模拟记录仪无法启动：%1</source>
        <translation>The simulated recorder could not start: %1</translation>
    </message>
    <message>
        <source>演示模式：COM%1 连接到模拟记录仪（%2），设备地址 %3</source>
        <translation>Demo mode: COM%1 is connected to the simulated recorder (%2), device address %3</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>sensors</name>
    <message>
        <source>传感器号 %1 不在 1 到 %2 之间</source>
        <translation>Sensor number %1 is not between 1 and %2</translation>
    </message>
    <message>
        <source>名称“%1”超过 %2 个字符或含制表符、换行</source>
        <translation>Name &quot;%1&quot; is longer than %2 characters or holds a tab or line break</translation>
    </message>
    <message>
        <source>单位“%1”超过 %2 个字符或含制表符、换行</source>
        <translation>Unit &quot;%1&quot; is longer than %2 characters or holds a tab or line break</translation>
    </message>
    <message>
        <source>下限 %1 高于上限 %2</source>
        <translation>Low limit %1 is above high limit %2</translation>
    </message>
    <message>
        <source>没有记录仪名称</source>
        <translation>No recorder name</translation>
    </message>
    <message>
        <source>传感器设置文件 %1 %2，未读取：传感器没有名称和限值</source>
        <translation>Sensor settings file %1 %2 and was not read: sensors have no names or limits</translation>
    </message>
    <message>
        <source>不是 UTF-8 文字</source>
        <translation>is not UTF-8 text</translation>
    </message>
    <message>
        <source>应为“记录仪&lt;Tab&gt;传感器号&lt;Tab&gt;名称&lt;Tab&gt;单位&lt;Tab&gt;下限&lt;Tab&gt;上限”</source>
        <translation>expected &quot;recorder&lt;Tab&gt;sensor number&lt;Tab&gt;name&lt;Tab&gt;unit&lt;Tab&gt;low&lt;Tab&gt;high&quot;</translation>
    </message>
    <message>
        <source>限值不是最多一位小数的数</source>
        <translation>a limit is not a number with at most one decimal</translation>
    </message>
    <message>
        <source>这个传感器前面已有一行</source>
        <translation>this sensor already has an earlier line</translation>
    </message>
    <message>
        <source>第 %1 行：%2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>传感器设置文件 %1 有 %2 行无法使用，已忽略（%3）</source>
        <translation>Sensor settings file %1 has %2 unusable lines, ignored (%3)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>……</source>
        <translation>…</translation>
    </message>
</context>
</TS>
